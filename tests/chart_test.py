#!/usr/bin/python3
# chart_test.py: bench/chart.py on a small ravelle-bench run (tests/data/bench-sample.json):
# which figures it takes, the bars' order, the title, and the picture it writes.
import contextlib
import io
import json
import os
import sys
import tempfile
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
# The modules imported from the checkout leave no byte code in it.
sys.dont_write_bytecode = True
sys.path.insert(0, os.path.join(HERE, "..", "bench"))
import chart  # noqa: E402

import matplotlib.image  # noqa: E402

SAMPLE = os.path.join(HERE, "data", "bench-sample.json")


def write_run(directory, run):
    path = os.path.join(directory, "run.json")
    with open(path, "w") as file:
        json.dump(run, file)
    return path


class ChartTest(unittest.TestCase):
    def test_takes_medians_and_drops_failed_runs(self):
        context, medians = chart.load(SAMPLE)
        with open(SAMPLE) as file:
            runs = json.load(file)["benchmarks"]
        median = next(b for b in runs if b["run_name"] == "wave/512/avx2/threads:1/real_time"
                      and b["aggregate_name"] == "median")
        self.assertEqual(medians[("wave", 512, "avx2", 1)], median["cells"])
        # The sample's avx10 run failed: this processor lacks it.
        self.assertFalse(any(key[2] == "avx10" for key in medians))
        self.assertIn(("copy", 512, "memcpy", 1), medians)

    def test_without_aggregates_takes_the_middle_repetition(self):
        run = {"benchmarks": [{"name": "wave/512/reference/real_time", "real_time": t,
                               "time_unit": "us"} for t in (100.0, 400.0, 200.0)]}
        with tempfile.TemporaryDirectory() as directory:
            _, medians = chart.load(write_run(directory, run))
        # 512 x 512 cells in 200 us; the time unit is honoured when `cells` is missing.
        self.assertAlmostEqual(medians[("wave", 512, "reference", 1)], 512 * 512 / 200e-6)

    def test_bars_follow_the_targets_best_first(self):
        context, medians = chart.load(SAMPLE)
        self.assertEqual(chart.implementations(context, medians),
                         [("reference", 1), ("avx3", 1), ("avx3", 2), ("avx2", 1), ("avx2", 2),
                          ("scalar", 1)])

    def test_title_names_processor_and_targets(self):
        context, _ = chart.load(SAMPLE)
        self.assertEqual(chart.title(context),
                         "ravelle-bench on Sample Processor 9000, targets avx3, avx2, scalar "
                         "(best first)")
        with contextlib.redirect_stderr(io.StringIO()):
            bare = chart.title({})
        self.assertTrue(bare.startswith("ravelle-bench on " + chart.processor_here()))
        self.assertTrue(bare.endswith("instruction set unknown"))

    def test_writes_a_chart(self):
        with tempfile.TemporaryDirectory() as directory:
            output = os.path.join(directory, "speed.png")
            chart.main(["chart.py", SAMPLE, output])
            picture = matplotlib.image.imread(output)
        self.assertEqual(picture.shape[:2], (480, 1380))

    def test_a_run_without_kernels_is_refused(self):
        run = {"benchmarks": [{"name": "copy/512/memcpy/real_time", "real_time": 1.0}]}
        with tempfile.TemporaryDirectory() as directory:
            output = os.path.join(directory, "speed.png")
            with self.assertRaises(SystemExit) as refusal:
                chart.main(["chart.py", write_run(directory, run), output])
            self.assertFalse(os.path.exists(output))
        self.assertIn("no wave, refraction or step", str(refusal.exception.code))


if __name__ == "__main__":
    unittest.main()
