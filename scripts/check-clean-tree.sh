#!/usr/bin/env bash
# Whether a run left anything in the checkout (byte code, pictures, logs): `save FILE` records
# git's tree of every file it does not ignore, as the files are now (the user's own edits
# included); `compare FILE` fails, naming each file that the run made, changed, removed or
# restored since. build/ and dist/ are ignored, so what the build and the release make there
# never counts. The blobs go to FILE.objects, never into the checkout's own .git.
# Usage: scripts/check-clean-tree.sh save|compare STATE_FILE   (anywhere in the checkout)
source "$(dirname "$0")/lib/errors.sh" || exit 1  # strict mode; a failing command is named
if [ $# -ne 2 ] || [[ $1 != save && $1 != compare ]]; then
    echo "usage: $(basename "$0") save|compare STATE_FILE" >&2
    exit 2
fi
# A source archive has no history to compare with: say so once, and check nothing.
if ! git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
    [ "$1" = save ] || echo "check-clean-tree: $PWD is not a git checkout; nothing was compared"
    exit 0
fi
objects=$(realpath -m "$2.objects")
GIT_ALTERNATE_OBJECT_DIRECTORIES=$(git rev-parse --path-format=absolute --git-path objects)
export GIT_ALTERNATE_OBJECT_DIRECTORIES GIT_OBJECT_DIRECTORY=$objects GIT_INDEX_FILE=$objects/index
tree() {
    rm -f "$GIT_INDEX_FILE"
    git add --all && git write-tree
}
if [ "$1" = save ]; then
    rm -rf "$objects"
    mkdir -p "$objects"
    tree >"$2"
    exit 0
fi
[ -s "$2" ] || { echo "check-clean-tree: no saved state in $2 (run save first)"; exit 1; }
made=$(git diff-tree -r --name-only "$(cat "$2")" "$(tree)")
if [ -n "$made" ]; then
    echo "check-clean-tree: the run changed these files in the checkout:"
    echo "   ${made//$'\n'/$'\n'   }"
    exit 1
fi
echo "check-clean-tree: the checkout is as the run found it"
