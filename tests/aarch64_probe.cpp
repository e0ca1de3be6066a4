// Prints the SVE vector length and the Highway targets of the processor it runs on, so that
// each emulated processor's tests show what they ran on.
#include <hwy/targets.h>
#include <sys/prctl.h>

#include <cstdint>
#include <cstdio>

int main() {
    const int vl = prctl(PR_SVE_GET_VL);
    std::printf("sve-bits=%d targets=", vl < 0 ? 0 : (vl & PR_SVE_VL_LEN_MASK) * 8);
    const std::int64_t supported = hwy::SupportedTargets();
    for (int bit = 0; bit < 63; ++bit) {
        const std::int64_t target = std::int64_t{1} << bit;
        if ((supported & target) != 0) std::printf("%s ", hwy::TargetName(target));
    }
    std::printf("\n");
}
