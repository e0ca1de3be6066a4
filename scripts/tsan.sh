#!/usr/bin/env bash
# Builds the parallel program's unit tests and the replay with clang, ThreadSanitizer and
# LLVM's OpenMP runtime, and runs them with Archer, the runtime's ThreadSanitizer tool, which
# tells the sanitizer where the parallel loops fork and join. Any report fails the run.
# (GCC's libgomp has no such tool: under it the sanitizer would flag its barriers.)
source "$(dirname "$0")/lib/errors.sh" || exit 1  # strict mode; a failing command is named
cd "$(dirname "$0")/.."
scripts/install-deps.sh --only clang libclang-rt-dev libomp-dev
cmake --preset tsan >/dev/null
cmake --build --preset tsan -j "$(nproc)"

# Archer ships beside the runtime the tests are linked with.
runtime=$(ldd build/tsan/tests/ravelle-tests | awk '/libomp/ { print $3; exit }')
[ -n "$runtime" ] || { echo "tsan.sh: ravelle-tests is not linked with LLVM's libomp"; exit 1; }
archer=$(dirname "$(readlink -f "$runtime")")/libarcher.so
[ -f "$archer" ] || { echo "tsan.sh: no Archer beside $runtime (Debian's libomp-dev has it)"; exit 1; }
export OMP_TOOL_LIBRARIES=$archer
# The runtime loads its tools quietly: a failed load is said here, not left to the reports.
started=$(TSAN_OPTIONS=ignore_noninstrumented_modules=1 OMP_TOOL_VERBOSE_INIT=stdout \
    OMP_NUM_THREADS=2 build/tsan/tests/ravelle-replay 1 1 /dev/null)
grep -q "Tool was started" <<<"$started" ||
    { echo "tsan.sh: the OpenMP runtime did not start $archer"; exit 1; }
ctest --preset tsan -j "$(nproc)"
