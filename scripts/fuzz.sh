#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and the sanitizers and runs the three at once for a
# bounded time (FUZZ_SECONDS, default 90) from the seed corpus in fuzz/corpus. Any finding fails.
# New inputs the fuzzer finds go to a scratch folder, so the committed corpus stays small.
set -euo pipefail
# shellcheck source=scripts/lib/errors.sh
source "$(dirname "$0")/lib/errors.sh"
cd "$(dirname "$0")/.."
# The three run side by side for the same wall time: on two cores each gets about the
# processor time it would get running alone for two thirds of it.
seconds=${FUZZ_SECONDS:-90}
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j "$(nproc)"
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
targets=(kernels pointer picture)
pids=()
echo "== ${targets[*]/#/fuzz-}: side by side for ${seconds}s"
for target in "${targets[@]}"; do
    mkdir -p "$scratch/$target" "$scratch/found-$target"
    seeds=("fuzz/corpus/$target")
    [ "$target" = picture ] && seeds+=(resources)
    "build/fuzz/fuzz/fuzz-$target" -max_total_time="$seconds" -timeout=20 -rss_limit_mb=2048 \
        -print_final_stats=1 -artifact_prefix="$scratch/found-$target/" "$scratch/$target" \
        "${seeds[@]}" >"$scratch/$target.log" 2>&1 &
    pids+=($!)
done
failed=()
for i in "${!targets[@]}"; do
    target=${targets[$i]}
    if wait "${pids[$i]}"; then
        echo "   fuzz-$target: $(grep -E 'stat::number_of_executed_units|stat::peak_rss_mb' \
            "$scratch/$target.log" | tr -s ' \n' ' ')"
        continue
    fi
    tail -n 40 "$scratch/$target.log"
    failed+=("$target")
    mkdir -p build/fuzz/findings
    shopt -s nullglob
    findings=("$scratch/found-$target"/*)
    shopt -u nullglob
    [ ${#findings[@]} -eq 0 ] || cp "${findings[@]}" build/fuzz/findings/
    echo "fuzz-$target found a fault; the input is kept in build/fuzz/findings"
done
[ ${#failed[@]} -eq 0 ] || exit 1
