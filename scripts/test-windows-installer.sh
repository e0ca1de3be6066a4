#!/usr/bin/env bash
# Usage: scripts/test-windows-installer.sh [LINUX_BUILD]  (default build/ci). Under Wine, in a
# fresh prefix: a silent install, its files, shortcuts and Apps & features entry, the installed
# programs in real windows (icon included) and a silent uninstall leaving none of it behind.
source "$(dirname "$0")/lib/errors.sh" || exit 1  # strict mode; a failing command is named
cd "$(dirname "$0")/.."
linux_build=${1:-build/ci}
out=$PWD/build/windows
fail_name="windows installer"

installer=$(scripts/build-windows-installer.sh | tail -n 1)
[ -f "$linux_build/CMakeCache.txt" ] || cmake --preset ci >/dev/null
cmake --build "$linux_build" -j 2 --target ravelle-e2e ravelle-e2e-serial >/dev/null
source scripts/lib/version.sh
version=$(ravelle_version)
work=$(mktemp -d)

# A fresh prefix of its own, with Wine's services on a private X server as large as the tests'
# (Wine keeps windows inside the screen it first met); all that Wine started ends with the script.
export WINEPREFIX=$work/wine WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=,winemenubuilder.exe=d"
# Desktop menu entries Wine would make go to folders of the test's own, never the user's.
export XDG_DATA_HOME=$work/data XDG_CONFIG_HOME=$work/config
source scripts/lib/xvfb.sh
source scripts/lib/wine.sh
cleanup() {
    # No server may be running (none started yet, or it ended): nothing is left to end then.
    wineserver -k 2>/dev/null || true
    xvfb_stop
    rm -rf "$work"
}
trap cleanup EXIT
xvfb_start 1920x1080x24
wine_log=$out/installer-wine.log
wine_boot "$wine_log" -i

check=(python3 tests/windows_output_test.py)

echo "== windows: silent install of $(basename "$installer")"
started=$SECONDS
wine "$installer" /S
wineserver -w
"${check[@]}" installed "$WINEPREFIX" "$out/build" "$version" || fail "the installation is not as it should be"
echo "   6 files in Program Files\\Ravelle, 3 Start-menu shortcuts, the uninstall key:" \
    "$((SECONDS - started)) s"

# The installed programs in real windows as in tests/windows.cmake, and the 16- and 32-pixel
# icons Wine hands to X; one persistent Wine server.
echo "== windows: the installed programs in real windows"
wine_step "$wine_log" "starting a persistent Wine server" wineserver -p
wine_step "$wine_log" "starting Wine's services" wineboot
for program in ravelle ravelle-serial; do
    started=$SECONDS
    log=$out/installed-e2e-$program.log
    if ! RAVELLE_E2E_WINDOW_MANAGER=1 RAVELLE_E2E_ICON_SIZES="16 32" \
        RAVELLE_E2E_COMMAND="$(command -v wine) \"C:\\Program Files\\Ravelle\\$program.exe\"" \
        "$linux_build/tests/e2e/ravelle-e2e${program#ravelle}" \
        --gtest_filter='ProgramWindow.*:WindowIdentity.IconHoldsTheCommittedImages' \
        >"$log" 2>&1; then
        grep -vE 'CreateDC failed|-display. parameter' "$log"
        fail "the installed $program.exe fails its real-window tests (log: $log)"
    fi
    echo "   $program.exe: $(grep -E '^\[  PASSED  \]' "$log"), $((SECONDS - started)) s"
done
wineserver -k
wineserver -w

echo "== windows: silent uninstall"
started=$SECONDS
wine "$WINEPREFIX/drive_c/Program Files/Ravelle/Uninstall.exe" /S
# The uninstaller runs on from a copy of itself in the temporary folder; this waits for it.
wineserver -w
"${check[@]}" uninstalled "$WINEPREFIX" || fail "the uninstaller left the above behind"
echo "   no file, shortcut or key left: $((SECONDS - started)) s"
echo "windows installer: all passed in $SECONDS s"
