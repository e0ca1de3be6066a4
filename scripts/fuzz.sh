#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and the sanitizers and runs each for a bounded
# time (FUZZ_SECONDS, default 60) from the seed corpus in fuzz/corpus. Any finding fails.
# New inputs the fuzzer finds go to a scratch folder, so the committed corpus stays small.
set -euo pipefail
# shellcheck source=scripts/lib/errors.sh
source "$(dirname "$0")/lib/errors.sh"
cd "$(dirname "$0")/.."
seconds=${FUZZ_SECONDS:-60}
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j "$(nproc)"
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
for target in kernels pointer picture; do
    mkdir -p "$scratch/$target"
    seeds=("fuzz/corpus/$target")
    [ "$target" = picture ] && seeds+=(resources)
    echo "== fuzz-$target for ${seconds}s"
    if ! build/fuzz/fuzz/fuzz-$target -max_total_time="$seconds" -timeout=20 -rss_limit_mb=2048 \
        -print_final_stats=1 -artifact_prefix="$scratch/" "$scratch/$target" "${seeds[@]}" \
        >"$scratch/$target.log" 2>&1; then
        tail -n 40 "$scratch/$target.log"
        echo "fuzz-$target found a fault; the input is kept in build/fuzz/findings"
        mkdir -p build/fuzz/findings
        # Only the kinds of finding that occurred exist.
        shopt -s nullglob
        findings=("$scratch"/crash-* "$scratch"/leak-* "$scratch"/timeout-* "$scratch"/oom-*)
        shopt -u nullglob
        [ ${#findings[@]} -eq 0 ] || cp "${findings[@]}" build/fuzz/findings/
        exit 1
    fi
    grep -E 'stat::number_of_executed_units|stat::peak_rss_mb' "$scratch/$target.log"
done
