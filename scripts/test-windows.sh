#!/usr/bin/env bash
# Cross-builds the Windows programs and tests (scripts/build-windows.sh), runs ctest --preset
# windows (tests/windows.cmake: imports, resources, and under Wine the unit tests, replays, real
# windows and message box), compares the replay with LINUX_BUILD's (default build/ci, its replay
# and harness built when missing), and tests the installer.
# Usage: scripts/test-windows.sh [LINUX_BUILD]
source "$(dirname "$0")/lib/errors.sh" || exit 1  # strict mode; a failing command is named
cd "$(dirname "$0")/.."
linux_build=${1:-build/ci}
out=$PWD/build/windows

scripts/build-windows.sh ravelle ravelle-serial ravelle-tests ravelle-tests-serial \
    ravelle-replay ravelle-replay-serial ravelle-replay-portable ravelle-broken-picture
[ -f "$linux_build/CMakeCache.txt" ] || cmake --preset ci >/dev/null
cmake --build "$linux_build" -j 2 --target ravelle-replay-portable ravelle-e2e \
    ravelle-e2e-serial ravelle-message-box-test >/dev/null

echo "== windows: ctest --preset windows"
started=$SECONDS
log=$out/ctest.log
RAVELLE_LINUX_BUILD=$(realpath "$linux_build") ctest --preset windows -j 2 >"$log" 2>&1 ||
    { grep -E 'Failed|\*\*\*|Error' "$log" | head -n 40; fail "tests failed; the whole run is in $log"; }
# Parameterised kernel tests end in their target's name (skipped where this processor lacks it).
tested=$(ctest --preset windows -N | grep -oE 'unit\.Targets/[^ ]+/[A-Z0-9_]+' |
    sed 's|.*/||' | sort -u | tr '\n' ' ')
echo "   $(grep -oE '[0-9]+% tests passed.*' "$log"), $((SECONDS - started)) s;" \
    "kernel tests on every target this processor has: $tested"

# The same drops give the same bytes as this machine's build.
"$linux_build/tests/ravelle-replay-portable" 600 2024 "$out/replay-linux.bin"
cmp "$out/replay-linux.bin" "$out/build/tests/replay/portable.bin"
echo "   the replay is byte-identical to $linux_build's"
echo "windows: all passed in $SECONDS s"
scripts/test-windows-installer.sh "$linux_build"
