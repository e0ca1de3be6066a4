#!/usr/bin/env bash
# Builds everything a release of Ravelle needs into dist/: the Debian packages for amd64 and
# arm64 (cross-built), the Windows zip and installer, and SHA256SUMS over them.
# Usage: scripts/release.sh   (on an x86_64 Debian machine, as root or with sudo when
# packages are missing).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh release
started=$SECONDS
rm -rf dist
mkdir dist

echo "== release: Debian package, amd64"
cp "$(scripts/build-deb.sh | tail -1)" dist/
echo "== release: Debian package, arm64"
cp "$(scripts/build-deb.sh --arm64 | tail -1)" dist/

echo "== release: Windows zip"
if [ -x scripts/build-windows.sh ]; then
    scripts/build-windows.sh
    zips=(build/windows*/ravelle-windows-x86_64.zip)
    [ -f "${zips[0]}" ] || { echo "release: scripts/build-windows.sh made no zip"; exit 1; }
    cp "${zips[0]}" dist/
else
    echo "release: scripts/build-windows.sh is missing: the Windows zip is skipped"
fi

echo "== release: Windows installer"
cp "$(scripts/build-windows-installer.sh | tail -1)" dist/

(cd dist && sha256sum -- * >SHA256SUMS && sha256sum --quiet -c SHA256SUMS)
echo "== release: dist/, in $((SECONDS - started)) s"
(cd dist && ls -l --time-style=+ -- *)
