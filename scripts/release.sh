#!/usr/bin/env bash
# Builds everything a release of Ravelle needs into dist/: the source archive, the Debian
# packages for amd64 and arm64 (cross-built), the Windows zip and installer, the browser page's
# archive, and SHA256SUMS over them. The Windows zip, the installer and the page's archive carry
# the notices of the libraries built into them (which ctest's output tests check against what
# the linker took in: scripts/test-windows.sh, scripts/test-web.sh).
# Every file depends only on the commit: time stamps are SOURCE_DATE_EPOCH, the last commit's
# time unless it is set (scripts/check-reproducible.sh checks that two checkouts agree).
# Usage: scripts/release.sh   (on an x86_64 Debian machine)
source "$(dirname "$0")/lib/errors.sh" || exit 1  # strict mode; a failing command is named
cd "$(dirname "$0")/.."
export LC_ALL=C
scripts/install-deps.sh release
scripts/install-deps.sh --only git gzip
started=$SECONDS
if [ -z "${SOURCE_DATE_EPOCH:-}" ]; then
    SOURCE_DATE_EPOCH=$(git log -1 --format=%ct) ||
        { echo "release: not a git checkout, and SOURCE_DATE_EPOCH is not set"; exit 1; }
fi
export SOURCE_DATE_EPOCH
source scripts/lib/version.sh
version=$(ravelle_version)
[ -z "$(git status --porcelain --untracked-files=no)" ] ||
    echo "release: the checkout has uncommitted changes: the source archive holds the last commit only"
rm -rf dist
mkdir dist

echo "== release: source archive"
# git archive gives the commit's files in a fixed order with the commit's time; gzip -n
# leaves out its own name and time stamp.
git archive --format=tar --prefix="ravelle-$version/" HEAD | gzip -9n >"dist/ravelle-$version.tar.gz"

echo "== release: Debian package, amd64"
cp "$(scripts/build-deb.sh | tail -1)" dist/
echo "== release: Debian package, arm64"
cp "$(scripts/build-deb.sh --arm64 | tail -1)" dist/

echo "== release: Windows zip"
scripts/build-windows.sh
cp build/windows/build/ravelle-windows-x86_64.zip dist/

echo "== release: the browser page's archive"
scripts/build-web.sh
cp "build/web-build/ravelle-web-$version.zip" dist/

echo "== release: Windows installer"
cp "$(scripts/build-windows-installer.sh | tail -1)" dist/

(cd dist && sha256sum -- * >SHA256SUMS && sha256sum --quiet -c SHA256SUMS)
echo "== release: dist/, in $((SECONDS - started)) s"
(cd dist && ls -l --time-style=+ -- *)
