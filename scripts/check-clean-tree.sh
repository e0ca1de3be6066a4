#!/usr/bin/env bash
# Whether a run left anything in the checkout (byte code, pictures, logs): `save FILE` notes
# every file git reports as changed or untracked now, with its content's hash; `compare FILE`
# fails, naming each file that the run made, changed, removed or restored since. build/ and
# dist/ are ignored by .gitignore, so what the build and the release make there never counts.
# Works on the repository of the current folder.
# Usage: scripts/check-clean-tree.sh save|compare STATE_FILE
set -euo pipefail
# shellcheck source=scripts/lib/errors.sh
source "$(dirname "$0")/lib/errors.sh"

usage() {
    echo "usage: $(basename "$0") save|compare STATE_FILE" >&2
    exit 2
}
[ $# -eq 2 ] || usage

# One line a reported file: git's two status letters, its content's hash (or "gone"), its path.
state() {
    local record code path hash
    while IFS= read -r -d '' record; do
        code=${record:0:2} path=${record:3}
        # A rename or copy names its source in the next record; the new path is what counts.
        [[ $code == R* || $code == C* ]] && IFS= read -r -d '' _
        hash=gone
        [ -f "$path" ] && hash=$(git hash-object -- "$path")
        printf '%s %s %s\n' "$code" "$hash" "$path"
    done < <(git status --porcelain=v1 -z --untracked-files=all)
}

# A source archive has no history to compare with: say so once, and check nothing.
if ! git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
    [ "$1" = save ] || echo "check-clean-tree: $PWD is not a git checkout; nothing was compared"
    exit 0
fi

case $1 in
save)
    mkdir -p "$(dirname "$2")"
    state | LC_ALL=C sort >"$2"
    ;;
compare)
    [ -f "$2" ] || { echo "check-clean-tree: no saved state in $2 (run save first)"; exit 1; }
    # Files whose line is new or gone: made, edited, removed or restored by the run.
    made=$(state | LC_ALL=C sort | LC_ALL=C comm -3 "$2" - | sed 's/^\t//; s/^.. [^ ]* //' |
        LC_ALL=C sort -u)
    if [ -n "$made" ]; then
        echo "check-clean-tree: the run changed these files in the checkout:"
        awk '{ print "   " $0 }' <<<"$made"
        exit 1
    fi
    echo "check-clean-tree: the checkout is as the run found it"
    ;;
*) usage ;;
esac
