#!/usr/bin/env python3
# ratios.py: the speed-ups in one ravelle-bench run, from its JSON output.
# Usage: ravelle-bench --benchmark_repetitions=5 --benchmark_report_aggregates_only=true \
#            --benchmark_format=json > run.json && bench/ratios.py run.json
# Prints each median time, its ratio to the reference of the same kernel and side, the
# ratio of 2 threads to 1 for the same path, and for the whole step met between frames
# (step-swept, step-asleep, step-cold) how many times the hot whole step's time it takes.
import json
import re
import sys

BETWEEN_FRAMES = ("step-swept", "step-asleep", "step-cold")
ORDER = ("copy", "wave", "refraction", "step") + BETWEEN_FRAMES

medians = {}
for b in json.load(open(sys.argv[1]))["benchmarks"]:
    if b.get("aggregate_name", "median") != "median" or b.get("error_occurred"):
        continue
    # A fixed iteration count shows in the name; the row is the same path.
    name = re.sub(r"/iterations:\d+", "", b["run_name"].removesuffix("/real_time"))
    medians[name] = b["real_time"]

print(f"{'benchmark':42} {'median us':>10} {'vs reference':>13} {'2 vs 1 thread':>14}"
      f" {'vs hot':>7}")

def position(name):
    # Registration order, whatever order --benchmark_enable_random_interleaving ran them in.
    kernel, side, implementation = name.split("/", 2)
    rank = ORDER.index(kernel) if kernel in ORDER else len(ORDER)
    return rank, int(side), implementation != "reference", implementation


for name in sorted(medians, key=position):
    time = medians[name]
    kernel, side, implementation = name.split("/", 2)
    reference = medians.get(f"{kernel}/{side}/reference")
    speedup = f"{reference / time:.1f}x" if reference and implementation != "reference" else ""
    scaling = ""
    if implementation.endswith("/threads:2"):
        one = medians.get(name.removesuffix("threads:2") + "threads:1")
        scaling = f"{one / time:.2f}x" if one else ""
    against_hot = ""
    if kernel in BETWEEN_FRAMES:
        hot = medians.get(f"step/{side}/{implementation}")
        against_hot = f"{time / hot:.2f}x" if hot else ""
    print(f"{name:42} {time:10.1f} {speedup:>13} {scaling:>14} {against_hot:>7}")
