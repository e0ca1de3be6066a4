#!/usr/bin/python3
"""Measures how both programs fare on a busy machine.

The median title MTicks and FPS of ravelle-serial, and of ravelle under each wait policy, each
idle and beside one and two busy processes, in a private Xvfb (ravelle-title-watch); then the
benchmark's hot and cold whole step at 512 x 512 on the best target, and the three figures the
program aims at:
  1. ravelle-serial's idle title within 1.5x of the benchmark's hot one-thread step;
  2. ravelle's idle title at least 1.6x better than ravelle-serial's;
  3. beside one busy process, ravelle's title no worse than 1.2x ravelle-serial's.

Usage: bench/measure_load.py [SECONDS]   (each measurement, default 20)
  RAVELLE_BUILD_DIR=build/ci ...          an existing build, not rebuilt (else build/dev)
  RAVELLE_POLICIES="passive GOMP_SPINCOUNT=1000" ...   the ravelle rows: "passive" is
      OMP_WAIT_POLICY=passive (what scripts/run.sh and the installed ravelle start with),
      "default" libgomp's own spinning, anything else an environment setting
  RAVELLE_TSC_MHZ=...                     the time-stamp counter's rate, if the kernel's
      "tsc: Detected ... MHz" (or, unreadable, /proc/cpuinfo's "cpu MHz") is not it
"""
import json
import os
import re
import subprocess
import sys
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
SECONDS = sys.argv[1] if len(sys.argv) > 1 else "20"
POLICIES = os.environ.get(
    "RAVELLE_POLICIES", "passive GOMP_SPINCOUNT=1000 GOMP_SPINCOUNT=10000 default").split()


def fail(message):
    sys.exit(f"measure_load.py: {message}")


def build_dir():
    if os.environ.get("RAVELLE_BUILD_DIR"):
        return Path(os.environ["RAVELLE_BUILD_DIR"]).resolve()
    for command in (["scripts/install-deps.sh", "test"],
                    ["cmake", "--preset", "dev", "-DBUILD_TESTING=ON"],
                    ["cmake", "--build", "--preset", "dev", "-j", str(os.cpu_count()), "--target",
                     "ravelle", "ravelle-serial", "ravelle-title-watch", "ravelle-bench-serial"]):
        subprocess.run(command, cwd=ROOT, check=True, stdout=subprocess.DEVNULL)
    return ROOT / "build/dev"


def load():
    return " ".join(Path("/proc/loadavg").read_text().split()[:3])


def watch(program, setting, busy):
    """The median title MTicks (as a number and as printed) and FPS of the program beside
    `busy` spinning processes, or None when the watcher fails."""
    spinners = [subprocess.Popen(["sh", "-c", "while :; do :; done"]) for _ in range(busy)]
    env = {k: v for k, v in os.environ.items() if k not in ("OMP_WAIT_POLICY", "GOMP_SPINCOUNT")}
    env.update(setting)
    try:
        run = subprocess.run([str(WATCHER), str(program), SECONDS], env=env, text=True,
                             stdout=subprocess.PIPE, check=False)
    finally:
        for spinner in spinners:
            spinner.kill()
            spinner.wait()
    words = run.stdout.split()
    if run.returncode != 0 or not words:
        return None
    return float(words[0]), words[0], words[1] if len(words) > 1 else "?"


def tsc_mhz():
    if os.environ.get("RAVELLE_TSC_MHZ"):
        return float(os.environ["RAVELLE_TSC_MHZ"])
    dmesg = subprocess.run(["dmesg"], text=True, capture_output=True, check=False).stdout
    found = re.search(r"tsc: Detected ([0-9.]+) MHz", dmesg)
    if not found:  # dmesg may be closed to this user
        found = re.search(r"^cpu MHz[^:]*: *([0-9.]+)", Path("/proc/cpuinfo").read_text(), re.M)
    return float(found.group(1))


def ratio(a, b):
    return f"{a / b:.2f}" if a and b else "?"


BUILD = build_dir()
WATCHER = BUILD / "tools/window/ravelle-title-watch"
BENCH = BUILD / "bench/ravelle-bench-serial"
for tool in (WATCHER, BENCH):
    if not os.access(tool, os.X_OK):
        fail(f"{tool} is not built")

model = re.search(r"^model name\s*: *(.*)$", Path("/proc/cpuinfo").read_text(), re.M)
print(f"Processor: {model.group(1) if model else 'unknown'}, {os.cpu_count()} cores")
print(f"Load average before: {load()}\n")
print("| median title MTicks / FPS | idle | one busy process | two busy processes |")
print("|---|---|---|---|")
rows = {}
for policy in ["serial"] + POLICIES:
    if policy == "serial":
        name, program, setting = "ravelle-serial", BUILD / "ravelle-serial", {}
    else:
        if policy not in ("passive", "default") and "=" not in policy:
            fail(f"unknown policy '{policy}'")
        setting = dict([policy.split("=", 1)]) if "=" in policy else (
            {"OMP_WAIT_POLICY": "passive"} if policy == "passive" else {})
        name, program = f"ravelle, {policy}", BUILD / "ravelle"
    rows[name] = [watch(program, setting, busy) for busy in (0, 1, 2)]
    cells = [f"{cell[1]} / {cell[2]}" if cell else "failed" for cell in rows[name]]
    print(f"| {name} | {' | '.join(cells)} |")
print(f"Load average after the titles: {load()}")

# The benchmark's whole step, in microseconds and in the title's MTicks (time-stamp counter
# ticks, counted at the rate Linux reports at boot).
listed = subprocess.run([BENCH, "--benchmark_list_tests"], text=True, capture_output=True,
                        check=True).stdout
targets = [t for t in re.findall(r"^step/512/([a-z0-9]+)/real_time$", listed, re.M)
           if t != "reference"]
if not targets:
    fail("the benchmark lists no step/512 target")
target, mhz = targets[0], tsc_mhz()
run = subprocess.run([BENCH, f"--benchmark_filter=^step(-cold)?/512/{target}/",
                      "--benchmark_repetitions=5", "--benchmark_min_time=0.3",
                      "--benchmark_enable_random_interleaving=true",
                      "--benchmark_report_aggregates_only=true", "--benchmark_format=json"],
                     text=True, capture_output=True, check=False)
if run.returncode != 0:
    fail(f"the benchmark failed:\n{run.stderr}")
medians = {b["run_name"].split("/")[0]: b["real_time"] for b in json.loads(run.stdout)["benchmarks"]
           if b.get("aggregate_name") == "median"}
hot, cold = medians["step"], medians["step-cold"]
print(f"\nravelle-bench-serial, {target}, time-stamp counter at {mhz:g} MHz (load {load()}):")
print(f"  hot step/512: {hot:.0f} us = {hot * mhz / 1e6:.2f} MTicks;"
      f" cold step-cold/512: {cold:.0f} us = {cold * mhz / 1e6:.2f} MTicks\n")


def mticks(name, busy):
    cell = rows[name][busy]
    return cell[0] if cell else None


serial = mticks("ravelle-serial", 0)
print(f"1. ravelle-serial's idle title / the hot benchmark step: "
      f"{ratio(serial, hot * mhz / 1e6)}x (aim: at most 1.5x)")
for name in [n for n in rows if n != "ravelle-serial"]:
    print(f"2. {name}: ravelle-serial's idle title / its own: "
          f"{ratio(serial, mticks(name, 0))}x (aim: at least 1.6x)")
    print(f"3. {name}, one busy process: its title / ravelle-serial's: "
          f"{ratio(mticks(name, 1), mticks('ravelle-serial', 1))}x (aim: at most 1.2x)")
