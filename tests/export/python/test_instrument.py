"""The kd71 package on the simulated board (KD71_BRIDGE=sim), on the real
clock: kept short, each reading costs its real wait."""

import ctypes
import errno
import math
import os
import subprocess
import sys
import tempfile
import threading
import unittest

import kd71


class FakeLibrary:
    """A usb_init that fails as told, with errno."""

    def __init__(self, result, code):
        self.result, self.code = result, code

    def usb_init(self):
        ctypes.set_errno(self.code)
        return self.result

    def usb_close(self):
        return 1


class OnTheSimulatedBoard(unittest.TestCase):
    def test_readings_and_settings(self):
        with kd71.Instrument() as bert:
            self.assertTrue(bert.is_open)
            self.assertEqual(bert.bit_rate(1), 10000)
            self.assertEqual(bert.bit_rate(2), 28000)
            bert.set_pattern(1, "PRBS31")
            bert.set_pattern(2, 8)
            bert.set_pattern(2, "shut off")
            bert.set_threshold(1, 5.0)
            bert.set_threshold(2, -500)  # clamped by the library
            bert.set_sampling_delay(2, 3.0)
            bert.set_input_clock(1, 1)
            bert.set_manual_mode(2, True)
            self.assertIn(bert.ones(1), range(256))
            self.assertIsInstance(bert.sync(1), bool)
            self.assertIn(bert.fast_error_count(1), range(256))
            ratio = bert.error_ratio(1)
            self.assertTrue(0.0 <= ratio <= 1.0, ratio)
        self.assertFalse(bert.is_open)

    def test_calls_are_serialised_across_threads(self):
        results = []
        with kd71.Instrument() as bert:
            threads = [threading.Thread(target=lambda: results.append(bert.bit_rate(1)))
                       for _ in range(8)]
            for t in threads:
                t.start()
            for t in threads:
                t.join()
        self.assertEqual(results, [10000] * 8)

    def test_one_instrument_of_the_process_holds_the_board(self):
        with kd71.Instrument():
            with self.assertRaisesRegex(kd71.Kd71Error, "another Instrument"):
                kd71.Instrument().open()
        with kd71.Instrument() as again:  # free after the first closed
            self.assertEqual(again.bit_rate(1), 10000)


class BadArguments(unittest.TestCase):
    def test_invalid_channels_patterns_and_values_raise_value_error(self):
        bert = kd71.Instrument(library=FakeLibrary(1, 0))
        for channel in (0, 3, -1, True, "1", 1.0):
            with self.assertRaises(ValueError):
                bert.bit_rate(channel)
        with self.assertRaisesRegex(ValueError, "PRBS8"):
            bert.set_pattern(1, "PRBS8")
        for code in (9, 16, 100, -1):
            with self.assertRaises(ValueError):
                bert.set_pattern(1, code)
        for value in (math.nan, math.inf, -math.inf):
            with self.assertRaises(ValueError):
                bert.set_threshold(1, value)
            with self.assertRaises(ValueError):
                bert.set_sampling_delay(2, value)
        with self.assertRaises(ValueError):
            bert.set_input_clock(1, 2)

    def test_a_closed_instrument_says_so(self):
        bert = kd71.Instrument(library=FakeLibrary(1, 0))
        with self.assertRaises(kd71.NotOpenError):
            bert.error_count(1)
        with bert:
            pass
        with self.assertRaises(kd71.NotOpenError):
            bert.resync(1)


class OpenFailures(unittest.TestCase):
    def test_each_failure_of_usb_init_has_its_exception(self):
        cases = [
            ((-1, 0), kd71.PanelLoadError, "panels could not be loaded"),
            ((0, errno.ENODEV), kd71.NoBoardError, "no board found"),
            ((0, errno.EBUSY), kd71.BoardBusyError, "board held by another program"),
            ((0, errno.EINVAL), kd71.BackendError, "KD71_SIM_SCENARIO"),
        ]
        for (result, code), error, text in cases:
            with self.assertRaisesRegex(error, text):
                kd71.Instrument(library=FakeLibrary(result, code)).open()

    def _open_in_a_new_process(self, bridge, scenario=None):
        env = dict(os.environ, KD71_BRIDGE=bridge)
        env.pop("KD71_SIM_SCENARIO", None)
        with tempfile.TemporaryDirectory() as folder:
            if scenario is not None:
                env["KD71_SIM_SCENARIO"] = os.path.join(folder, "scenario.txt")
                with open(env["KD71_SIM_SCENARIO"], "w") as f:
                    f.write(scenario)
            script = ("import kd71\n"
                      "try:\n    kd71.Instrument().open()\n"
                      "except kd71.Kd71Error as e:\n    print(type(e).__name__)\n")
            return subprocess.run([sys.executable, "-c", script], env=env, capture_output=True,
                                  text=True, timeout=60).stdout.strip()

    def test_the_library_tells_why(self):
        self.assertEqual(self._open_in_a_new_process("sim", "devices no_board\n"), "NoBoardError")
        self.assertEqual(self._open_in_a_new_process("sim", "devices none\n"), "BackendError")
        self.assertEqual(self._open_in_a_new_process("sim-of-nothing"), "BackendError")
        # No KD71 board is attached to the test machine.
        self.assertEqual(self._open_in_a_new_process("ftdi"), "NoBoardError")

    def test_a_missing_library_is_named(self):
        env = dict(os.environ, KD71_LIBRARY="/nonexistent/libkd71.so.1")
        out = subprocess.run([sys.executable, "-c", "import kd71; kd71.Instrument().open()"],
                             env=env, capture_output=True, text=True, timeout=60)
        self.assertNotEqual(out.returncode, 0)
        self.assertIn("LibraryNotFoundError: libkd71 not found", out.stderr)
        self.assertIn("/nonexistent/libkd71.so.1", out.stderr)


if __name__ == "__main__":
    unittest.main()
