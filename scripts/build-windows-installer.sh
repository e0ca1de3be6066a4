#!/usr/bin/env bash
# Builds the Windows installer, build/windows/installer/ravelle-<version>-win64.exe, from the
# programs scripts/build-windows.sh cross-builds: CPack's NSIS generator with Debian's nsis,
# for NSIS's 64-bit target. The installer's path is the last line printed.
# Usage: scripts/build-windows-installer.sh  (as root, or with sudo, when packages are missing).
set -euo pipefail
# shellcheck source=scripts/lib/errors.sh
source "$(dirname "$0")/lib/errors.sh"
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
installers=("$out"/installer/ravelle-*-win64.exe)
[ -f "${installers[0]}" ] || { echo "installer: CPack made no ravelle-*-win64.exe"; exit 1; }
rm -rf "$out/installer/_CPack_Packages"
echo "   $(basename "${installers[0]}"): $(stat -c %s "${installers[0]}") bytes," \
    "$((SECONDS - started)) s"
echo "${installers[0]}"
