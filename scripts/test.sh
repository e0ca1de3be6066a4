#!/usr/bin/env bash
# Installs what is missing, builds everything with warnings as errors, and runs every test:
# unit tests of both builds, the cross-build replay, and the real-window tests under Xvfb.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh test
cmake --preset ci
cmake --build --preset ci -j "$(nproc)"
ctest --preset ci -j "$(nproc)"
