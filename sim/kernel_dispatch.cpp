// kernel_dispatch.cpp: the processor check behind the kernels' choice of instruction set,
// and the one active choice, readable from any thread.

#include "sim/kernel_dispatch.hpp"

#include <atomic>

namespace sim {

namespace {

std::atomic<KernelPath>& activePath() {
    static std::atomic<KernelPath> path{bestKernelPath()};
    return path;
}

}  // namespace

bool kernelPathSupported(KernelPath path) {
    switch (path) {
        case KernelPath::Portable:
            return true;
#if defined(__x86_64__) || defined(__i386__)
        // Exactly the instructions each path's file is compiled for (CMakeLists.txt).
        case KernelPath::Avx2:
            __builtin_cpu_init();
            return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("popcnt");
        case KernelPath::Avx512:
            __builtin_cpu_init();
            return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
                   __builtin_cpu_supports("avx512vl") && __builtin_cpu_supports("popcnt");
#else
        case KernelPath::Avx2:
        case KernelPath::Avx512:
            return false;
#endif
    }
    return false;
}

KernelPath bestKernelPath() {
    if (kernelPathSupported(KernelPath::Avx512)) return KernelPath::Avx512;
    if (kernelPathSupported(KernelPath::Avx2)) return KernelPath::Avx2;
    return KernelPath::Portable;
}

KernelPath activeKernelPath() {
    return activePath().load(std::memory_order_relaxed);
}

bool forceKernelPath(KernelPath path) {
    if (!kernelPathSupported(path)) return false;
    activePath().store(path, std::memory_order_relaxed);
    return true;
}

const char* kernelPathName(KernelPath path) {
    switch (path) {
        case KernelPath::Portable:
            return "portable";
        case KernelPath::Avx2:
            return "avx2";
        case KernelPath::Avx512:
            return "avx512";
    }
    return "unknown";
}

}  // namespace sim
