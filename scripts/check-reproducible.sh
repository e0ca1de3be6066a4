#!/usr/bin/env bash
# Checks that a release rebuilds to the same bytes: builds the last commit's release twice,
# in two checkouts at different paths, and compares every file of the two dist/ folders. On a
# difference it names the file and shows what differs (with diffoscope).
# The first build is this checkout's own when it has no changes beside the commit (so that
# later test stages find its builds up to date), else a clone; the second is always a clone,
# in build/reproducible/. Both take the libraries built from Debian sources, the Wine prefix
# and the arm64 libraries from this checkout's build/ (RAVELLE_CACHE), so those are built or
# downloaded once; the artefacts must not carry those paths either.
# Usage: scripts/check-reproducible.sh   (x86_64 Debian machine; as root, or with sudo, when
# packages are missing)
#        scripts/check-reproducible.sh --compare DIST_A DIST_B   compares two dist/ folders only.
set -euo pipefail
# shellcheck source=scripts/lib/errors.sh
source "$(dirname "$0")/lib/errors.sh"
cd "$(dirname "$0")/.."
root=$PWD
export LC_ALL=C
scripts/install-deps.sh --only git diffoscope-minimal

# compare DIST_A DIST_B: every file in either folder, byte for byte; what differs is shown.
compare() {
    local differ=0 file a b files
    mapfile -t files < <( { (cd "$1" && ls -A) && (cd "$2" && ls -A); } | sort -u)
    for file in "${files[@]}"; do
        a=$1/$file b=$2/$file
        if [ ! -f "$a" ] || [ ! -f "$b" ]; then
            echo "reproducible: $file is in only one of the two releases"
            differ=1
        elif ! cmp -s "$a" "$b"; then
            echo "reproducible: $file differs between the two builds:"
            # (diffoscope fails because the files differ, as cmp found: this only shows how.)
            diffoscope --no-progress --text - --max-text-report-size 20000 "$a" "$b" |
                head -n 80 || true
            differ=1
        fi
    done
    [ ${#files[@]} -gt 0 ] || { echo "reproducible: both releases are empty"; differ=1; }
    return $differ
}
if [ "${1:-}" = --compare ]; then
    [ $# -eq 3 ] || { echo "usage: scripts/check-reproducible.sh --compare DIST_A DIST_B"; exit 2; }
    compare "$2" "$3" || exit 1
    echo "reproducible: $2 and $3 hold the same files"
    exit 0
fi
commit=$(git rev-parse HEAD)
SOURCE_DATE_EPOCH=$(git log -1 --format=%ct)
export SOURCE_DATE_EPOCH RAVELLE_CACHE=$root/build
work=$root/build/reproducible
rm -rf "$work"
mkdir -p "$work"

# clone DIR: a checkout of the commit at DIR.
clone() {
    git clone --quiet --no-local --no-checkout "$root" "$1"
    git -C "$1" checkout --quiet --detach "$commit"
}
# release DIR NAME: builds DIR's release, its log in the work folder.
release() {
    local started=$SECONDS
    echo "== reproducible: release in $1"
    (cd "$1" && scripts/release.sh) >"$work/$2.log" 2>&1 ||
        { tail -n 40 "$work/$2.log"; echo "reproducible: the release in $1 failed (log: $work/$2.log)"; exit 1; }
    echo "   $((SECONDS - started)) s"
}

if [ -z "$(git status --porcelain)" ]; then
    first=$root
else
    echo "reproducible: this checkout has changes; both builds are clones of $commit"
    first=$work/first/ravelle
    clone "$first"
fi
# A longer path than the first, so that a path written into a file also moves what follows.
second=$work/second-checkout/at/a/longer/path/ravelle
clone "$second"
release "$first" first
release "$second" second

compare "$first/dist" "$second/dist" ||
    { echo "reproducible: the two builds of $commit differ"; exit 1; }
echo "reproducible: the files of dist/ are identical in both builds of $commit:"
(cd "$first/dist" && for file in *; do echo "   $(stat -c %s "$file") bytes  $file"; done)
rm -rf "$work"
