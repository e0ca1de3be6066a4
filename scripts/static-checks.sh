#!/usr/bin/env bash
# Static checks on the project's own code, each with zero findings allowed:
# clang-format (style), clang-tidy (the checks in .clang-tidy) and cppcheck.
# The files are those git tracks, so a new file is checked without being listed here.
# Needs the compile database of the ci build (scripts/test.sh configures it first).
set -euo pipefail
cd "$(dirname "$0")/.."
mapfile -t sources < <(git ls-files '*.cpp' '*.hpp')
mapfile -t units < <(git ls-files '*.cpp')

echo "== clang-format"
clang-format --dry-run -Werror "${sources[@]}"

echo "== clang-tidy"
[ -f build/ci/compile_commands.json ] || cmake --preset ci >/dev/null
# Every tracked translation unit the ci build compiles (the fuzz targets need clang's
# libFuzzer and are checked by their own build); headers are checked through them
# (.clang-tidy's HeaderFilterRegex). run-clang-tidy takes regular expressions.
patterns=()
for unit in "${units[@]}"; do patterns+=("^${PWD//./\\.}/${unit//./\\.}\$"); done
run-clang-tidy -quiet -p build/ci -j "$(nproc)" "${patterns[@]}" >build/ci/clang-tidy.log 2>&1 ||
    true
if grep -E '(warning|error):' build/ci/clang-tidy.log; then
    echo "clang-tidy found the problems above"
    exit 1
fi
grep -q 'clang-tidy' build/ci/clang-tidy.log || { cat build/ci/clang-tidy.log; exit 1; }

echo "== cppcheck"
# Its style checks are left to clang-tidy; the real-window tests and tools are left out: this
# cppcheck cannot parse std::chrono literals (an internal error, not a finding).
mapfile -t checked < <(printf '%s\n' "${units[@]}" | grep -v -e '^tests/e2e/' -e '^tools/window/')
cppcheck --quiet --error-exitcode=1 --inline-suppr --std=c++20 --language=c++ \
    --library=googletest --enable=warning,performance,portability \
    --suppress=missingIncludeSystem -I . "${checked[@]}"
echo "static checks: no findings"
