// vector_targets.cpp: the kernels' target choice, kept in Highway's dispatch state so that
// every kernel compiled with the same target list follows it.

#include "common/vector_targets.hpp"

#include <hwy/highway.h>
#include <hwy/targets.h>

#include <algorithm>

namespace common {

namespace {

// The compiled targets the processor runs, best first (better targets have lower bits).
// Found before any target is forced, since a forced target changes Highway's answer.
const std::vector<std::int64_t>& processorTargets() {
    static const std::vector<std::int64_t> targets = [] {
        std::vector<std::int64_t> found = hwy::SupportedAndGeneratedTargets();
        std::sort(found.begin(), found.end());
        return found;
    }();
    return targets;
}

// Points every kernel's dispatch at the best of `allowed` (0: whatever the processor runs).
void allowTargets(std::int64_t allowed) {
    hwy::SetSupportedTargetsForTest(allowed);
    hwy::GetChosenTarget().Update(hwy::SupportedTargets());
}

}  // namespace

std::vector<std::int64_t> vectorTargets() {
    return processorTargets();
}

std::int64_t activeVectorTarget() {
    chooseVectorTarget();
    const std::int64_t allowed = hwy::SupportedTargets() & HWY_TARGETS;
    return allowed & -allowed;  // the lowest bit: the best, which dispatch picks
}

bool useVectorTarget(std::int64_t target) {
    const auto& targets = processorTargets();
    if (std::find(targets.begin(), targets.end(), target) == targets.end()) return false;
    allowTargets(target);
    return true;
}

void useBestVectorTarget() {
    processorTargets();
    allowTargets(0);
}

const char* vectorTargetName(std::int64_t target) {
    return hwy::TargetName(target);
}

void chooseVectorTarget() {
    processorTargets();
    hwy::ChosenTarget& chosen = hwy::GetChosenTarget();
    if (!chosen.IsInitialized()) chosen.Update(hwy::SupportedTargets());
}

}  // namespace common
