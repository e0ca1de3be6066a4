#!/usr/bin/env bash
# Builds both programs and all tests with AddressSanitizer and UndefinedBehaviorSanitizer
# (the first finding ends the run with a failure) and runs the unit, replay and
# real-window tests under them. The long soak runs in the optimised build instead.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --preset asan
cmake --build --preset asan -j "$(nproc)"
ctest --preset asan -j "$(nproc)" -LE soak
