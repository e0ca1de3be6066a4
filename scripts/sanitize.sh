#!/usr/bin/env bash
# Builds both programs and all tests with AddressSanitizer and UndefinedBehaviorSanitizer
# (the first finding ends the run with a failure) and runs the unit, replay and
# real-window tests under them, the minute-long window soak included. The 100,000-step
# replay soak runs in the optimised build only.
source "$(dirname "$0")/lib/errors.sh" || exit 1  # strict mode; a failing command is named
cd "$(dirname "$0")/.."
cmake --preset asan
cmake --build --preset asan -j "$(nproc)"
ctest --preset asan -j "$(nproc)" -LE "^soak$"
