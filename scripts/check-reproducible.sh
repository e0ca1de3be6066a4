#!/usr/bin/env bash
# Checks that a release rebuilds to the same bytes: the last commit's release built in two
# checkouts at different paths, the two dist/ folders compared by diffoscope. The first is this
# checkout when it has no changes (later test stages then find its builds up to date), else a
# clone; the second is a clone in build/reproducible/. Both take the libraries built from Debian
# sources, the Wine prefix and the arm64 libraries from this checkout's build/ (RAVELLE_CACHE),
# built or downloaded once; the artefacts must not carry those paths either.
# Usage: scripts/check-reproducible.sh   (x86_64 Debian machine), or with --compare DIST_A DIST_B
# to compare two dist/ folders only.
source "$(dirname "$0")/lib/errors.sh" || exit 1  # strict mode; a failing command is named
cd "$(dirname "$0")/.."
root=$PWD
export LC_ALL=C
scripts/install-deps.sh --only git diffoscope-minimal

# compare DIST_A DIST_B: diffoscope on the two folders (which files, and every file's bytes;
# not their times); on a difference, what differs is shown.
compare() {
    local report status=0
    [ -n "$(ls -A "$1" 2>/dev/null)" ] || { echo "reproducible: $1 holds no release"; return 1; }
    report=$(diffoscope --no-progress --exclude-directory-metadata=yes --text - \
        --max-text-report-size 20000 "$1" "$2" 2>&1) || status=$?
    [ $status -eq 0 ] || { echo "reproducible: $1 and $2 differ:"; head -n 120 <<<"$report"; }
    return $status
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
