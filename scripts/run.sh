#!/usr/bin/env bash
# Installs what is missing, builds both programs and starts Ravelle.
# Usage: scripts/run.sh [--serial]   (--serial starts the single-threaded build)
source "$(dirname "$0")/lib/errors.sh" || exit 1  # strict mode; a failing command is named
cd "$(dirname "$0")/.."
scripts/install-deps.sh run
cmake --preset dev -DBUILD_TESTING=OFF -DRAVELLE_BUILD_BENCH=OFF >/dev/null
cmake --build --preset dev -j "$(nproc)" --target ravelle ravelle-serial
program=build/dev/ravelle
[ "${1:-}" = --serial ] && program=build/dev/ravelle-serial
# OpenMP's threads wait for work by spinning, which on a machine with anything else busy
# makes the parallel step many times slower than the serial one (README, "A busy machine").
# Passive waiting avoids that; a policy the user has chosen (either variable) is kept.
if [ -z "${OMP_WAIT_POLICY+set}" ] && [ -z "${GOMP_SPINCOUNT+set}" ]; then
    export OMP_WAIT_POLICY=passive
fi
exec "$program"
