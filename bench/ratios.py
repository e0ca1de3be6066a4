#!/usr/bin/env python3
# ratios.py: the speed-ups in one ravelle-bench run, from its JSON output.
# Usage: ravelle-bench --benchmark_repetitions=5 --benchmark_report_aggregates_only=true \
#            --benchmark_format=json > run.json && bench/ratios.py run.json
# Prints each median time, its ratio to the reference of the same kernel and side, and the
# ratio of 2 threads to 1 for the same path.
import json
import sys

medians = {}
for b in json.load(open(sys.argv[1]))["benchmarks"]:
    if b.get("aggregate_name", "median") != "median":
        continue
    name = b["run_name"].removesuffix("/real_time")
    medians[name] = b["real_time"]

print(f"{'benchmark':42} {'median us':>10} {'vs reference':>13} {'2 vs 1 thread':>14}")
for name, time in medians.items():
    kernel, side, implementation = name.split("/", 2)
    reference = medians.get(f"{kernel}/{side}/reference")
    speedup = f"{reference / time:.1f}x" if reference and implementation != "reference" else ""
    scaling = ""
    if implementation.endswith("/threads:2"):
        one = medians.get(name.removesuffix("threads:2") + "threads:1")
        scaling = f"{one / time:.2f}x" if one else ""
    print(f"{name:42} {time:10.1f} {speedup:>13} {scaling:>14}")
