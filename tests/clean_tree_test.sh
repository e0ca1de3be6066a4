#!/usr/bin/env bash
# The test command's last check, scripts/check-clean-tree.sh, in a repository made up here:
# it passes on a tree the run left as it was, even one with the user's own edits, and fails,
# naming the file, when a run leaves a new file (byte code, say) or edits one further.
# Usage: clean_tree_test.sh SOURCE_DIR
set -euo pipefail
check=$1/scripts/check-clean-tree.sh
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
git init -q repo
cd repo
git -c user.name=t -c user.email=t@t commit -q --allow-empty -m empty
printf 'build/\n' >.gitignore
echo one >tracked.txt
git add .gitignore tracked.txt
git -c user.name=t -c user.email=t@t commit -q -m files
echo "my own edit" >>tracked.txt  # the user's, from before the run

fail() {
    echo "FAIL: $*"
    exit 1
}
expect_pass() {
    "$check" compare "$work/state" >"$work/out" 2>&1 || { cat "$work/out"; fail "$1"; }
}
expect_failure_naming() {  # PATH WHY
    if "$check" compare "$work/state" >"$work/out" 2>&1; then fail "$2"; fi
    cat "$work/out"
    grep -q " $1\$" "$work/out" || fail "the failure does not name $1"
}

"$check" save "$work/state"
mkdir -p build && echo built >build/out.o
expect_pass "a file in an ignored folder counts as left behind"

mkdir -p bench/__pycache__ && echo bytes >bench/__pycache__/chart.cpython-311.pyc
expect_failure_naming bench/__pycache__/chart.cpython-311.pyc "a left-behind byte-code file passes"
rm -r bench

echo "the run's edit" >>tracked.txt
expect_failure_naming tracked.txt "a further edit of an already edited file passes"
git checkout -q tracked.txt
expect_failure_naming tracked.txt "an edit the run undid passes"
echo "my own edit" >>tracked.txt
expect_pass "the user's own edit, as it was before the run, counts as left behind"
echo "clean-tree check: passes on an unchanged tree, names what a run leaves"
