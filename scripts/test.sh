#!/usr/bin/env bash
# Installs what is missing, builds everything with warnings as errors, and runs every test, one
# timed stage each: both builds' unit tests, replays and real windows under Xvfb; the release
# rebuilt to the same bytes; the Debian package installed; aarch64 under qemu; the static checks,
# sanitizers, race detector and fuzzers; Windows under Wine; the browser build under Node and in
# Chromium; a packager's build; Debian 13. Last, that the run left the checkout as it found it.
# --quick stops after the ctest run (and that check).
source "$(dirname "$0")/lib/errors.sh" || exit 1  # strict mode; a failing command is named
cd "$(dirname "$0")/.."
# stage COMMAND...: runs one stage, and prints how long it took, so that a slow stage shows.
stage() {
    local started=$SECONDS
    "$@" || {
        echo "== test.sh: $* failed after $((SECONDS - started)) s (total $((SECONDS - begun)) s)"
        exit 1
    }
    echo "== test.sh: $* passed in $((SECONDS - started)) s (total $((SECONDS - begun)) s)"
}
begun=$SECONDS
deps="test"
[ "${1:-}" != --quick ] || deps=quick
# What git reports as changed or untracked before the run: the last stage fails on anything
# the run adds to it.
tree_state=build/tree-before-test
scripts/check-clean-tree.sh save "$tree_state"
stage scripts/install-deps.sh $deps
stage cmake --preset ci
stage cmake --build --preset ci -j "$(nproc)"
stage ctest --preset ci -j "$(nproc)"
if [ $deps = quick ]; then
    stage scripts/check-clean-tree.sh compare "$tree_state"
    exit 0
fi
# Two releases of the last commit, compared file by file; the stages below find the first
# one's builds (packages, Windows, browser) up to date.
stage scripts/check-reproducible.sh
stage scripts/test-package.sh build/ci
stage scripts/test-aarch64.sh build/ci
stage scripts/static-checks.sh
stage scripts/sanitize.sh
stage scripts/tsan.sh
stage scripts/fuzz.sh
stage scripts/test-windows.sh build/ci
stage scripts/test-web.sh build/ci
stage scripts/test-packager-build.sh
stage scripts/test-debian13.sh
stage scripts/check-clean-tree.sh compare "$tree_state"
