#!/usr/bin/python3
# chart.py: draws one ravelle-bench JSON run as a bar chart of field cells per second.
# Usage: bench/chart.py run.json docs/speed.png  (Debian's python3 and python3-matplotlib)
#
# One panel a kernel (wave step, refraction, whole step), one group of bars a field side, one
# bar each for the reference and every vector target on 1 and 2 threads. With repetitions
# the medians are drawn; the title names the processor and its targets from the run's context.
import json
import math
import sys

import matplotlib

matplotlib.use("Agg")
import matplotlib.pyplot as plt  # noqa: E402  (the backend is chosen first)

KERNELS = [("wave", "wave step"), ("refraction", "refraction"), ("step", "whole step")]
REFERENCE = "reference"
COPY = "memcpy"
UNITS = {"ns": 1e-9, "us": 1e-6, "ms": 1e-3, "s": 1.0}


def cells_per_second(run, side):
    if "cells" in run:
        return run["cells"]
    return side * side / (run["real_time"] * UNITS[run.get("time_unit", "ns")])


def load(path):
    """The run's context and {(kernel, side, implementation, threads): cells per second},
    taking each benchmark's median aggregate when it has one, else its median repetition."""
    with open(path) as file:
        run = json.load(file)
    medians, repetitions = {}, {}
    for b in run.get("benchmarks", []):
        if b.get("error_occurred"):
            continue  # a target this processor lacks
        parts = b.get("run_name", b["name"]).removesuffix("/real_time").split("/")
        if len(parts) < 3 or not parts[1].isdigit():
            continue
        kernel, side, implementation = parts[0], int(parts[1]), parts[2]
        threads = 1
        if len(parts) > 3 and parts[3].startswith("threads:"):
            threads = int(parts[3].removeprefix("threads:"))
        key = (kernel, side, implementation, threads)
        aggregate = b.get("aggregate_name")
        if aggregate == "median":
            medians[key] = cells_per_second(b, side)
        elif aggregate is None:
            repetitions.setdefault(key, []).append(cells_per_second(b, side))
    for key, values in repetitions.items():
        if key not in medians:
            values.sort()
            middle = len(values) // 2
            medians[key] = (values[middle] + values[~middle]) / 2
    return run.get("context", {}), medians


def processor_here():
    try:
        with open("/proc/cpuinfo") as cpuinfo:
            for line in cpuinfo:
                if line.startswith("model name"):
                    return line.split(":", 1)[1].strip()
    except OSError:
        pass
    return "unknown processor"


def title(context):
    processor = context.get("processor")
    if not processor:
        processor = processor_here()
        print("chart.py: the run does not name its processor; using this machine's",
              file=sys.stderr)
    targets = context.get("targets", "").split()
    instructions = ("targets " + ", ".join(targets) + " (best first)" if targets
                    else "instruction set unknown")
    return f"ravelle-bench on {processor}, {instructions}"


def implementations(context, medians):
    """The bars of a group: the reference, then each target (the context's order, best
    first, then any others as they come) on 1 thread and, where measured, on 2."""
    seen = [REFERENCE]
    for name in context.get("targets", "").split() + [key[2] for key in medians]:
        if name not in seen and name != COPY:
            seen.append(name)
    bars = []
    for name in seen:
        for threads in (1, 2):
            if any(key[2] == name and key[3] == threads for key in medians):
                bars.append((name, threads))
    return bars


def draw(context, medians, output):
    kernels = [(k, label) for k, label in KERNELS if any(key[0] == k for key in medians)]
    if not kernels:
        sys.exit("chart.py: no wave, refraction or step benchmarks in the run")
    sides = sorted({key[1] for key in medians if key[0] in dict(kernels)})
    bars = implementations(context, medians)
    colours = plt.get_cmap("tab10")
    targets = [name for name, _ in bars if name != REFERENCE]
    targets = list(dict.fromkeys(targets))

    def colour(name):
        return "0.55" if name == REFERENCE else colours(targets.index(name) % 10)

    figure, axes = plt.subplots(1, len(kernels), figsize=(4.6 * len(kernels), 4.8),
                                sharey=True, squeeze=False)
    width = 0.8 / len(bars)
    for axis, (kernel, label) in zip(axes[0], kernels):
        for b, (name, threads) in enumerate(bars):
            xs, ys = [], []
            for s, side in enumerate(sides):
                value = medians.get((kernel, side, name, threads))
                if value:
                    xs.append(s - 0.4 + (b + 0.5) * width)
                    ys.append(value)
            text = name if name == REFERENCE else f"{name}, {threads} thread{'s' * (threads > 1)}"
            axis.bar(xs, ys, width, color=colour(name), label=text,
                     hatch="//" if threads > 1 else None, edgecolor="white", linewidth=0.4)
        if kernel == "step":
            # The memory copy of the bytes a whole step moves: what no step can beat.
            for s, side in enumerate(sides):
                value = medians.get(("copy", side, COPY, 1))
                if value:
                    axis.hlines(value, s - 0.45, s + 0.45, colors="black", linestyles="dashed",
                                label="memory copy of a step's bytes" if s == 0 else None)
        axis.set_title(label)
        axis.set_xticks(range(len(sides)), [f"{side} x {side}" for side in sides])
        axis.set_yscale("log")
        axis.grid(axis="y", which="both", alpha=0.3)
    axes[0][0].set_ylabel("field cells per second (higher is faster)")
    handles, labels = {}, []
    for axis in axes[0]:
        for handle, text in zip(*axis.get_legend_handles_labels()):
            if text not in handles:
                handles[text] = handle
                labels.append(text)
    figure.legend([handles[t] for t in labels], labels, loc="lower center",
                  ncol=min(len(labels), 5), frameon=False, fontsize="small")
    figure.suptitle(title(context), fontsize="medium")
    rows = math.ceil(len(labels) / 5)
    figure.tight_layout(rect=(0, 0.06 * rows, 1, 0.97))
    figure.savefig(output, dpi=100)
    plt.close(figure)


def main(argv):
    if len(argv) != 3:
        sys.exit("usage: bench/chart.py RUN.json OUTPUT.png")
    context, medians = load(argv[1])
    draw(context, medians, argv[2])


if __name__ == "__main__":
    main(sys.argv)
