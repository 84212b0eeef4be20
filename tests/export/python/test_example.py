"""The example script logs both channels' error ratio to CSV for a given
time, on the simulated board (KD71_BRIDGE=sim)."""

import csv
import os
import subprocess
import sys
import tempfile
import unittest

EXAMPLE = os.path.join(os.environ["KD71_SOURCE_DIR"], "examples", "log_error_ratio.py")


class LogErrorRatio(unittest.TestCase):
    def test_a_few_seconds_of_rows(self):
        with tempfile.TemporaryDirectory() as folder:
            path = os.path.join(folder, "ratios.csv")
            run = subprocess.run([sys.executable, EXAMPLE, "--seconds", "2.5", "--pattern", "PRBS31",
                                  "--output", path],
                                 capture_output=True, text=True, timeout=60)
            self.assertEqual(run.returncode, 0, run.stderr)
            with open(path, newline="") as f:
                rows = list(csv.reader(f))
        self.assertEqual(rows[0], ["time_s", "ch1_error_ratio", "ch2_error_ratio"])
        self.assertGreaterEqual(len(rows), 3)  # the header and at least two rows
        times = [float(row[0]) for row in rows[1:]]
        self.assertEqual(times, sorted(times))
        for row in rows[1:]:
            self.assertEqual(len(row), 3)
            for ratio in map(float, row[1:]):
                self.assertTrue(0.0 <= ratio <= 1.0, row)


if __name__ == "__main__":
    unittest.main()
