#!/usr/bin/env bash
# Installs what is missing, builds everything with warnings as errors, and runs every test:
# unit tests of both builds, the cross-build replay, the real-window tests under Xvfb, the
# release rebuilt to the same bytes, the installed Debian package, the aarch64 cross build
# under qemu, the static checks, the sanitizer run, the race detector on the parallel loops,
# the fuzzers, the Windows build under Wine, the browser build under Node and in headless
# Chromium, and a packager's build in a Debian 12 chroot.
# --quick stops after the ctest run.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh test
cmake --preset ci
cmake --build --preset ci -j "$(nproc)"
ctest --preset ci -j "$(nproc)"
[ "${1:-}" = --quick ] && exit 0
# Two releases of the last commit, compared file by file; the stages below find the first
# one's builds (packages, Windows, browser) up to date.
scripts/check-reproducible.sh
scripts/test-package.sh build/ci
scripts/test-aarch64.sh build/ci
scripts/static-checks.sh
scripts/sanitize.sh
scripts/tsan.sh
scripts/fuzz.sh
scripts/test-windows.sh build/ci
scripts/test-web.sh build/ci
scripts/test-packager-build.sh
