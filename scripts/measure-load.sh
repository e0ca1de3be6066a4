#!/usr/bin/env bash
# Measures how both programs fare on a busy machine: the median title MTicks and FPS of
# ravelle-serial, ravelle with the OpenMP runtime's default wait policy, and ravelle with
# OMP_WAIT_POLICY=passive, each idle and beside one and two busy processes, in a private Xvfb.
# Usage: scripts/measure-load.sh [SECONDS]   (each measurement, default 20)
#        RAVELLE_BUILD_DIR=build/ci scripts/measure-load.sh   (an existing build, not rebuilt)
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-20}

build=${RAVELLE_BUILD_DIR:-}
if [ -z "$build" ]; then
    scripts/install-deps.sh test
    cmake --preset dev -DBUILD_TESTING=ON >/dev/null
    cmake --build --preset dev -j "$(nproc)" --target ravelle ravelle-serial ravelle-title-watch
    build=build/dev
fi
watcher=$build/tools/window/ravelle-title-watch

busy=()
stop_busy() {
    for pid in "${busy[@]}"; do kill "$pid" 2>/dev/null || true; done
    for pid in "${busy[@]}"; do wait "$pid" 2>/dev/null || true; done
    busy=()
}
trap stop_busy EXIT

# One cell of the table: "MTicks / FPS" of PROGRAM with N busy processes beside it.
measure() {
    local n=$1
    shift
    for ((i = 0; i < n; i++)); do
        sh -c 'while :; do :; done' &
        busy+=($!)
    done
    local result
    result=$("$@" "$seconds") || result="failed"
    stop_busy
    read -r mticks fps _ <<<"$result"
    echo "$mticks / ${fps:-?}"
}

echo "Processor: $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ //'), $(nproc) cores"
echo "Load average before: $(cut -d' ' -f1-3 /proc/loadavg)"
echo
echo "| median title MTicks / FPS | idle | one busy process | two busy processes |"
echo "|---|---|---|---|"
row() {
    local name=$1
    shift
    local cells=()
    for n in 0 1 2; do cells+=("$(measure "$n" "$@")"); done
    echo "| $name | ${cells[0]} | ${cells[1]} | ${cells[2]} |"
}
row "ravelle-serial" env -u OMP_WAIT_POLICY -u GOMP_SPINCOUNT "$watcher" "$build/ravelle-serial"
row "ravelle, default wait policy" env -u OMP_WAIT_POLICY -u GOMP_SPINCOUNT "$watcher" "$build/ravelle"
row "ravelle, OMP_WAIT_POLICY=passive" env -u GOMP_SPINCOUNT OMP_WAIT_POLICY=passive \
    "$watcher" "$build/ravelle"
