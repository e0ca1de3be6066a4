// kernel_dispatch.hpp: which instruction set the wave step and the refraction run on.
// One choice, made once from what the processor supports, serves both kernels.
#pragma once

namespace sim {

// Every path gives the same bits; they differ only in speed. Avx2 and Avx512 exist only
// on x86 processors that have those instructions (Avx512 needs its F, BW and VL parts; both need
// POPCNT).
enum class KernelPath { Portable, Avx2, Avx512 };

inline constexpr KernelPath ALL_KERNEL_PATHS[] = {KernelPath::Portable, KernelPath::Avx2,
                                                  KernelPath::Avx512};

bool kernelPathSupported(KernelPath path);
// The fastest path this processor runs; the kernels use it unless told otherwise.
KernelPath bestKernelPath();
// The path the kernels use from the next call on.
KernelPath activeKernelPath();
// Makes the kernels use `path` (tests and benchmarks compare the paths). A path the
// processor lacks is refused: returns false and leaves the active path as it was.
// Not to be called while a kernel runs on another thread.
bool forceKernelPath(KernelPath path);

const char* kernelPathName(KernelPath path);

}  // namespace sim
