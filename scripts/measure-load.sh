#!/usr/bin/env bash
# Measures how both programs fare on a busy machine: the median title MTicks and FPS of
# ravelle-serial and of ravelle under each wait policy below, each idle and beside one and two
# busy processes, in a private Xvfb; then the benchmark's hot and cold whole step at 512 x 512
# on the best target, and the three figures the program aims at:
#   1. ravelle-serial's idle title within 1.5x of the benchmark's hot one-thread step;
#   2. ravelle's idle title at least 1.6x better than ravelle-serial's;
#   3. beside one busy process, ravelle's title no worse than 1.2x ravelle-serial's.
# Usage: scripts/measure-load.sh [SECONDS]   (each measurement, default 20)
#        RAVELLE_BUILD_DIR=build/ci scripts/measure-load.sh   (an existing build, not rebuilt)
#        RAVELLE_POLICIES="passive GOMP_SPINCOUNT=1000" ...   (the ravelle rows; "passive" is
#        OMP_WAIT_POLICY=passive, what scripts/run.sh and the installed ravelle start with,
#        "default" libgomp's own spinning, anything else an environment setting)
set -euo pipefail
# shellcheck source=scripts/lib/errors.sh
source "$(dirname "$0")/lib/errors.sh"
cd "$(dirname "$0")/.."
seconds=${1:-20}
policies=${RAVELLE_POLICIES:-passive GOMP_SPINCOUNT=1000 GOMP_SPINCOUNT=10000 default}

build=${RAVELLE_BUILD_DIR:-}
if [ -z "$build" ]; then
    scripts/install-deps.sh test
    cmake --preset dev -DBUILD_TESTING=ON >/dev/null
    cmake --build --preset dev -j "$(nproc)" --target ravelle ravelle-serial ravelle-title-watch \
        ravelle-bench-serial
    build=build/dev
fi
watcher=$build/tools/window/ravelle-title-watch
bench=$build/bench/ravelle-bench-serial
for tool in "$watcher" "$bench"; do
    [ -x "$tool" ] || { echo "measure-load.sh: $tool is not built"; exit 1; }
done

busy=()
stop_busy() {
    # A busy process may have ended already; there is nothing to stop or wait for then.
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
declare -A idle busy1
row() {
    local name=$1
    shift
    local cells=()
    for n in 0 1 2; do cells+=("$(measure "$n" "$@")"); done
    echo "| $name | ${cells[0]} | ${cells[1]} | ${cells[2]} |"
    idle[$name]=${cells[0]%% *}
    busy1[$name]=${cells[1]%% *}
}
row "ravelle-serial" env -u OMP_WAIT_POLICY -u GOMP_SPINCOUNT "$watcher" "$build/ravelle-serial"
names=()
for policy in $policies; do
    case $policy in
        passive) setting=(OMP_WAIT_POLICY=passive) ;;
        default) setting=() ;;
        *=*) setting=("$policy") ;;
        *) echo "measure-load.sh: unknown policy '$policy'"; exit 1 ;;
    esac
    name="ravelle, $policy"
    names+=("$name")
    row "$name" env -u OMP_WAIT_POLICY -u GOMP_SPINCOUNT "${setting[@]}" "$watcher" "$build/ravelle"
done
echo "Load average after the titles: $(cut -d' ' -f1-3 /proc/loadavg)"

# The benchmark's whole step, in microseconds and in the title's MTicks. The title counts
# time-stamp counter ticks; Linux reports their rate at boot ("tsc: Detected ... MHz", which
# on a virtual machine is also /proc/cpuinfo's "cpu MHz"). RAVELLE_TSC_MHZ overrides it.
# (dmesg may be closed to this user: cpu MHz then stands in.)
tsc_mhz=${RAVELLE_TSC_MHZ:-$( (dmesg 2>/dev/null || true) |
    sed -n 's/.*tsc: Detected \([0-9.]*\) MHz.*/\1/p' | head -n 1)}
[ -n "$tsc_mhz" ] || tsc_mhz=$(sed -n 's/^cpu MHz[^:]*: *//p' /proc/cpuinfo | head -n 1)
target=$("$bench" --benchmark_list_tests | sed -n 's|^step/512/\([a-z0-9]*\)/real_time$|\1|p' |
    grep -v reference | head -n 1)
json=$(mktemp)
trap 'stop_busy; rm -f "$json" "$json.log"' EXIT
"$bench" --benchmark_filter="^step(-cold)?/512/$target/" --benchmark_repetitions=5 \
    --benchmark_min_time=0.3 --benchmark_enable_random_interleaving=true \
    --benchmark_report_aggregates_only=true --benchmark_format=json >"$json" 2>"$json.log" ||
    { cat "$json.log"; echo "measure-load.sh: the benchmark failed (above)"; exit 1; }
median_us() {
    python3 -c 'import json, re, sys
for b in json.load(open(sys.argv[1]))["benchmarks"]:
    if b.get("aggregate_name") == "median" and re.match(sys.argv[2], b["run_name"]):
        print(b["real_time"])' "$json" "$1"
}
hot=$(median_us "step/512/$target/")
cold=$(median_us "step-cold/512/$target/")
echo
echo "ravelle-bench-serial, $target, time-stamp counter at $tsc_mhz MHz (load $(cut -d' ' -f1-3 /proc/loadavg)):"
awk -v h="$hot" -v c="$cold" -v f="$tsc_mhz" 'BEGIN {
    printf "  hot step/512: %.0f us = %.2f MTicks; cold step-cold/512: %.0f us = %.2f MTicks\n",
        h, h * f / 1e6, c, c * f / 1e6 }'

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (a > 0 && b > 0) printf "%.2f", a / b; else print "?" }'; }
serial=${idle[ravelle-serial]}
hot_mticks=$(awk -v h="$hot" -v f="$tsc_mhz" 'BEGIN { print h * f / 1e6 }')
echo
echo "1. ravelle-serial's idle title / the hot benchmark step: $(ratio "$serial" "$hot_mticks")x (aim: at most 1.5x)"
for name in "${names[@]}"; do
    echo "2. $name: ravelle-serial's idle title / its own: $(ratio "$serial" "${idle[$name]}")x" \
        "(aim: at least 1.6x)"
    echo "3. $name, one busy process: its title / ravelle-serial's:" \
        "$(ratio "${busy1[$name]}" "${busy1[ravelle-serial]}")x (aim: at most 1.2x)"
done
