"""The kd71 package; on the simulated board (KD71_BRIDGE=sim) with the real
clock, so kept short."""

import ctypes
import errno
import math
import os
import subprocess
import sys
import tempfile
import unittest

import kd71


class FakeLibrary:
    """A usb_init that returns `result` with errno `code`."""

    def __init__(self, result, code=0):
        self.result, self.code = result, code

    def usb_init(self):
        ctypes.set_errno(self.code)
        return self.result

    def usb_close(self):
        return 1


def open_in_a_new_process(bridge, scenario=None, library=None):
    """The name of the exception that Instrument().open() raises, or ''."""
    env = dict(os.environ, KD71_BRIDGE=bridge, KD71_SIM_SCENARIO="")
    if library:
        env["KD71_LIBRARY"] = library
    with tempfile.TemporaryDirectory() as folder:
        if scenario:
            env["KD71_SIM_SCENARIO"] = os.path.join(folder, "scenario.txt")
            with open(env["KD71_SIM_SCENARIO"], "w") as f:
                f.write(scenario)
        script = "import kd71\ntry: kd71.Instrument().open()\nexcept Exception as e: print(repr(e))"
        return subprocess.run([sys.executable, "-c", script], env=env, capture_output=True,
                              text=True, timeout=60).stdout.strip()


class InstrumentTest(unittest.TestCase):
    def test_methods_on_the_simulated_board(self):
        with kd71.Instrument() as bert:
            self.assertEqual((bert.bit_rate(1), bert.bit_rate(2)), (10000, 28000))
            bert.set_pattern(1, "PRBS31")
            bert.set_pattern(2, "shut off")
            bert.set_pattern(2, 8)
            bert.set_threshold(1, -500)  # clamped by the library
            bert.set_sampling_delay(2, 1.0)
            bert.set_input_clock(1, 1)
            bert.set_manual_mode(2, True)
            bert.resync(1)
            self.assertIn(bert.ones(1), range(256))
            self.assertIn(bert.fast_error_count(1), range(256))
            self.assertIsInstance(bert.sync(1), bool)
            self.assertTrue(0.0 <= bert.error_ratio(1) <= 1.0)
            with self.assertRaisesRegex(kd71.Kd71Error, "another Instrument"):
                kd71.Instrument().open()
        with self.assertRaises(kd71.NotOpenError):
            bert.error_count(1)

    def test_bad_arguments_raise_value_error_before_any_call(self):
        bert = kd71.Instrument(library=FakeLibrary(1))  # not open: only the arguments count
        for channel in (0, 3, True, "1", 1.0):
            self.assertRaises(ValueError, bert.bit_rate, channel)
        for pattern in ("PRBS8", 9, 100, -1):
            self.assertRaises(ValueError, bert.set_pattern, 1, pattern)
        for value in (math.nan, math.inf):
            self.assertRaises(ValueError, bert.set_threshold, 1, value)
            self.assertRaises(ValueError, bert.set_sampling_delay, 2, value)
        self.assertRaises(ValueError, bert.set_input_clock, 1, 2)

    def test_each_failure_of_usb_init_has_its_exception(self):
        for result, code, error, text in [
                (-1, 0, kd71.PanelLoadError, "panels could not be loaded"),
                (0, errno.ENODEV, kd71.NoBoardError, "no board found"),
                (0, errno.EBUSY, kd71.BoardBusyError, "board held by another program"),
                (0, errno.EINVAL, kd71.BackendError, "KD71_SIM_SCENARIO")]:
            with self.assertRaisesRegex(error, text):
                kd71.Instrument(library=FakeLibrary(result, code)).open()
        # And from the library itself.
        self.assertIn("NoBoardError", open_in_a_new_process("sim", "devices no_board\n"))
        self.assertIn("BackendError", open_in_a_new_process("parallel-port"))
        self.assertIn("LibraryNotFoundError('libkd71 not found; tried: /nowhere/libkd71.so.1",
                      open_in_a_new_process("sim", library="/nowhere/libkd71.so.1"))


if __name__ == "__main__":
    unittest.main()
