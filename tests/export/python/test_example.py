"""The example logs both channels' error ratio to CSV for a given time, on
the simulated board."""

import csv
import os
import subprocess
import sys
import tempfile
import unittest

EXAMPLE = os.path.join(os.environ["KD71_SOURCE_DIR"], "examples", "log_error_ratio.py")


class LogErrorRatioTest(unittest.TestCase):
    def test_a_few_seconds_of_rows(self):
        with tempfile.TemporaryDirectory() as folder:
            path = os.path.join(folder, "ratios.csv")
            run = subprocess.run([sys.executable, EXAMPLE, "--seconds", "2.5", "--pattern",
                                  "PRBS31", "--output", path], capture_output=True, text=True)
            self.assertEqual(run.returncode, 0, run.stderr)
            with open(path, newline="") as f:
                header, *rows = list(csv.reader(f))
        self.assertEqual(header, ["time_s", "ch1_error_ratio", "ch2_error_ratio"])
        self.assertEqual(len(rows), 1)  # each reading waits for a sample: 3.44 s at 10 Gb/s
        for row in rows:
            self.assertTrue(all(0.0 < float(r) <= 1.0 for r in row[1:]), row)


if __name__ == "__main__":
    unittest.main()
