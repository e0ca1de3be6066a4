#!/usr/bin/env bash
# Installs what is missing, builds both programs and starts Ravelle.
# Usage: scripts/run.sh [--serial]   (--serial starts the single-threaded build)
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh run
cmake --preset dev -DRAVELLE_BUILD_TESTS=OFF -DRAVELLE_BUILD_BENCH=OFF >/dev/null
cmake --build --preset dev -j "$(nproc)" --target ravelle ravelle-serial
program=build/dev/ravelle
[ "${1:-}" = --serial ] && program=build/dev/ravelle-serial
exec "$program"
