#!/usr/bin/env bash
# Builds build/windows/installer/ravelle-<version>-win64.exe from the programs that
# scripts/build-windows.sh cross-builds (CPack's NSIS generator); prints its path last.
# Usage: scripts/build-windows-installer.sh  (as root, or with sudo, when packages are missing).
source "$(dirname "$0")/lib/errors.sh" || exit 1  # strict mode; a failing command is named
cd "$(dirname "$0")/.."
out=$PWD/build/windows
scripts/install-deps.sh --only nsis
scripts/build-windows.sh ravelle ravelle-serial >"$out/build-windows.log" 2>&1 ||
    { cat "$out/build-windows.log"; echo "installer: the Windows build failed"; exit 1; } >&2

echo "== windows: the installer"
started=$SECONDS
rm -rf "$out/installer"
(cd "$out/build" && cpack -G NSIS -B "$out/installer") >"$out/cpack.log" 2>&1 ||
    { cat "$out/cpack.log"; echo "installer: CPack's NSIS generator failed"; exit 1; } >&2
installer=$(echo "$out"/installer/ravelle-*-win64.exe)
[ -f "$installer" ] || { echo "installer: CPack made no ravelle-*-win64.exe"; exit 1; }
rm -rf "$out/installer/_CPack_Packages"
echo "   $(basename "$installer"): $(stat -c %s "$installer") bytes, $((SECONDS - started)) s"
echo "$installer"
