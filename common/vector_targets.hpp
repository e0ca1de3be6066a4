// vector_targets.hpp: which vector instruction set the kernels run on, chosen in one place.
// Both kernels (the wave step in sim/, the refraction in imaging/) are compiled once per
// target by Highway and dispatched at run time to the target chosen here.
//
//   common::vectorTargets()          compiled targets this processor runs, best first
//   common::activeVectorTarget()     the one the kernels use from the next call on
//   common::useVectorTarget(target)  tests and benchmarks compare targets; a target not in
//                                    vectorTargets() is refused and nothing changes
//   common::useBestVectorTarget()    back to the processor's best
//   common::vectorTargetName(target) "AVX3", "AVX2", "SSE4", "NEON", "SVE2", "SCALAR", ...
//
// Every target gives the same bits; they differ only in speed. None of these may be called
// while a kernel runs on another thread.
#pragma once

#include <cstdint>
#include <vector>

namespace common {

std::vector<std::int64_t> vectorTargets();
std::int64_t activeVectorTarget();
bool useVectorTarget(std::int64_t target);
void useBestVectorTarget();
const char* vectorTargetName(std::int64_t target);

// Makes sure the choice is made before a kernel looks up its function for the active
// target, so that the lookup costs no processor detection.
void chooseVectorTarget();

}  // namespace common
