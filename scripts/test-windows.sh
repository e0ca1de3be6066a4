#!/usr/bin/env bash
# Cross-builds the Windows programs and their unit tests (scripts/build-windows.sh) and runs
# them under Wine in a private Xvfb: the unit tests of both builds on every vector target this
# processor has, the picture decoded at display depths 16 and 24, the replay of both builds,
# the replay fed the same drops against this machine's build, and the real-window tests of
# both programs with the end-to-end harness.
# Usage: scripts/test-windows.sh [LINUX_BUILD]  (default build/ci: its replay and harness are
# built when missing). As root, or with sudo, when packages are missing.
set -euo pipefail
# shellcheck source=scripts/lib/errors.sh
source "$(dirname "$0")/lib/errors.sh"
cd "$(dirname "$0")/.."
linux_build=${1:-build/ci}
out=$PWD/build/windows
stage_started=$SECONDS

scripts/build-windows.sh ravelle ravelle-serial ravelle-tests ravelle-tests-serial \
    ravelle-replay ravelle-replay-serial ravelle-replay-portable ravelle-broken-picture

export WINEPREFIX=$out/wine WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
# One private X server for everything that runs under Wine, and one persistent Wine server
# (each Windows program would otherwise start and stop one, seconds each); both end with the
# script, and so does everything Wine started.
# shellcheck source=scripts/lib/xvfb.sh
source scripts/lib/xvfb.sh
# shellcheck source=scripts/lib/wine.sh
source scripts/lib/wine.sh
cleanup() {
    # No server may be running (none started yet, or it ended): nothing is left to end then.
    wineserver -k 2>/dev/null || true
    xvfb_stop
}
trap cleanup EXIT
xvfb_start 1920x1080x24
wine_step "$out/wine-server.log" "starting a persistent Wine server" wineserver -p
# Wine's background services start with the first program and outlive it; started here, they
# do not hold the output pipes of the programs ctest runs, which would wait for them to close.
wine_step "$out/wine-server.log" "starting Wine's services" wineboot

# --- Unit tests and replays of both builds under Wine, the windows test preset (the
# 100,000-step soak stays native).
echo "== windows: unit tests and replays under Wine"
started=$SECONDS
log=$out/ctest.log
if ! ctest --preset windows -j 2 >"$log" 2>&1; then
    grep -E 'Failed|\*\*\*|Error' "$log" | head -n 40
    echo "windows: unit tests failed; the whole run is in $log"
    exit 1
fi
# Parameterised kernel tests end in the target's name; those that ran, and those skipped
# because this processor lacks them.
tested=$(ctest --test-dir "$out/build" -N | grep -oE 'unit\.Targets/[^ ]+/[A-Z0-9_]+' |
    sed 's|.*/||' | sort -u | tr '\n' ' ')
echo "   $(grep -oE '[0-9]+% tests passed.*' "$log"), $((SECONDS - started)) s;" \
    "kernel tests on every target this processor has: $tested"

# --- The same drops give the same bytes as this machine's build.
echo "== windows: replay fed the same drops against $linux_build"
started=$SECONDS
[ -f "$linux_build/CMakeCache.txt" ] || cmake --preset ci >/dev/null
cmake --build "$linux_build" -j 2 --target ravelle-replay-portable ravelle-e2e \
    ravelle-e2e-serial ravelle-message-box-test >/dev/null
"$linux_build/tests/ravelle-replay-portable" 600 2024 "$out/replay-linux.bin"
wine "$out/build/tests/ravelle-replay-portable.exe" 600 2024 "$out/replay-windows.bin"
cmp "$out/replay-linux.bin" "$out/replay-windows.bin"
echo "   byte-identical, $((SECONDS - started)) s"

# --- The real windows of both programs, driven by the Linux harness; it starts Wine with the
# Windows program in each test's own X server, with openbox managing it as Windows' own desktop
# would (Wine 10 ignores outside resizes of a window no window manager has taken).
echo "== windows: real-window tests under Wine"
for suffix in "" -serial; do
    started=$SECONDS
    log=$out/e2e$suffix.log
    if ! RAVELLE_E2E_WINDOW_MANAGER=1 \
        RAVELLE_E2E_COMMAND="$(command -v wine) $out/build/ravelle$suffix.exe" \
        "$linux_build/tests/e2e/ravelle-e2e$suffix" --gtest_filter='ProgramWindow.*' \
        >"$log" 2>&1; then
        grep -vE 'CreateDC failed|-display. parameter' "$log"
        echo "windows: real-window tests of ravelle$suffix.exe failed"
        exit 1
    fi
    echo "   ravelle$suffix.exe: $(grep -oE '^\[  PASSED  \] [0-9]+' "$log" | grep -oE '[0-9]+$')" \
        "tests passed in $((SECONDS - started)) s"
done

# A program that cannot start says why in a message box, and ends once it is closed.
started=$SECONDS
log=$out/message-box.log
if ! RAVELLE_E2E_COMMAND="$(command -v wine) $out/build/tests/ravelle-broken-picture.exe" \
    "$linux_build/tests/e2e/ravelle-message-box-test" >"$log" 2>&1; then
    cat "$log"
    echo "windows: the message-box test failed"
    exit 1
fi
echo "   a fatal message in a message box, closed, status 1: passed in $((SECONDS - started)) s"

echo "windows: all passed in $((SECONDS - stage_started)) s"
scripts/test-windows-installer.sh "$linux_build"
