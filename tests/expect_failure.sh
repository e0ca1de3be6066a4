#!/usr/bin/env bash
# Usage: expect_failure.sh REGEX COMMAND...
# Passes when COMMAND exits with a non-zero status (not a signal) and prints exactly one
# line on stderr, which matches REGEX.
set -u
regex=$1
shift
stderr=$(mktemp)
trap 'rm -f "$stderr"' EXIT
"$@" >/dev/null 2>"$stderr"
status=$?
lines=$(wc -l <"$stderr")
echo "exit status $status; stderr:"
cat "$stderr"
if [ "$status" -eq 0 ] || [ "$status" -ge 128 ]; then
    echo "FAIL: expected a non-zero exit status from the program itself"
    exit 1
fi
if [ "$lines" -ne 1 ] || ! grep -Eq "$regex" "$stderr"; then
    echo "FAIL: expected one line on stderr matching: $regex"
    exit 1
fi
