"""The SCPI server as a lab script reaches it: PyVISA (with its pure-Python
backend) opening TCPIP::127.0.0.1::PORT::SOCKET on `kd71 --simulate
--headless --scpi 0`, the port taken from the program's console.

Usage: scpi_pyvisa_test.py PATH_TO_KD71
"""

import os
import select
import signal
import subprocess
import sys
import tempfile
import time
import unittest

try:
    import pyvisa
except ImportError:  # CI installs it (scripts/kd71.sh); elsewhere the test is skipped
    print("PyVISA is not installed: apt-get install python3-pyvisa python3-pyvisa-py")
    sys.exit(77)

KD71 = None
PATIENCE_S = 20.0  # bounds a test gone wrong; the program answers within a tick


class ProgramOnSimulatedBoard:
    """kd71 on the simulated board in an empty folder, its console read line
    by line as it comes."""

    def __init__(self, work):
        env = dict(os.environ, KD71_LOCK_DIR=os.path.join(work, "lock"),
                   XDG_CONFIG_HOME=os.path.join(work, "config"))
        os.makedirs(env["KD71_LOCK_DIR"])
        self.folder = os.path.join(work, "run")
        os.makedirs(self.folder)
        self.proc = subprocess.Popen(
            [KD71, "--simulate", "--headless", "--scpi", "0"],
            cwd=self.folder, env=env, stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
        self.seen = []
        self._partial = b""

    def wait_for(self, text):
        """The first console line holding `text`, waiting for it as it is written."""
        give_up = time.monotonic() + PATIENCE_S
        while True:
            for line in self.seen:
                if text in line:
                    return line
            left = give_up - time.monotonic()
            if left <= 0 or self.proc.poll() is not None:
                raise AssertionError("no line with %r; console:\n%s" % (text, "\n".join(self.seen)))
            ready, _, _ = select.select([self.proc.stdout], [], [], left)
            if ready:
                chunk = os.read(self.proc.stdout.fileno(), 4096)
                self._partial += chunk
                *lines, self._partial = self._partial.split(b"\n")
                self.seen += [l.decode("utf-8", "replace") for l in lines]

    def quit(self):
        """SIGTERM, as the Quit button: the exit status."""
        self.proc.send_signal(signal.SIGTERM)
        try:
            return self.proc.wait(PATIENCE_S)
        finally:
            self.proc.stdout.close()

    def kill(self):
        if self.proc.poll() is None:
            self.proc.kill()
            self.proc.wait()


class PyVisaTest(unittest.TestCase):
    def setUp(self):
        self.work = tempfile.TemporaryDirectory()
        self.program = ProgramOnSimulatedBoard(self.work.name)
        self.addCleanup(self.work.cleanup)
        self.addCleanup(self.program.kill)
        line = self.program.wait_for("kd71: SCPI server listening on 127.0.0.1:")
        self.port = int(line.rsplit(":", 1)[1])
        self.rm = pyvisa.ResourceManager("@py")
        self.addCleanup(self.rm.close)
        self.inst = self.rm.open_resource(
            "TCPIP::127.0.0.1::%d::SOCKET" % self.port,
            read_termination="\n", write_termination="\n", timeout=int(PATIENCE_S * 1000))
        self.addCleanup(self.inst.close)

    def test_a_script_reads_sets_and_is_told_its_errors(self):
        inst = self.inst
        maker, model, serial, firmware = inst.query("*IDN?").split(",")
        self.assertEqual((maker, model), ("KOLVIDRA", "KD71"))
        self.assertTrue(serial.startswith("KD71SIM"), serial)
        self.assertIn("/", firmware)

        # The first sample of channel 1 on the console: its figures are in.
        self.program.wait_for("CH1 10.000 Gbps")
        self.assertEqual(inst.query(":SYST:LINK?"), "1")
        self.assertEqual(float(inst.query(":MEAS1:BRAT?")), 1e10)
        self.assertEqual(inst.query(":MEASure2:SYNC?;:MEAS2:ERRors?"), "1;0")

        # A setting, several per line, and its read-back.
        self.assertEqual(inst.query(":INP1:PATT PRBS9;:INP2:MAN ON;*OPC?"), "1")
        self.assertEqual(inst.query(":INP1:PATT?;:INP2:MAN?"), "PRBS9;1")

        # Errors, oldest first, and the setting they left alone.
        inst.write(":INP1:THR 100")
        inst.write(":INP1:NOSUCH?")
        self.assertEqual(inst.query(":SYST:ERR:COUN?"), "2")
        self.assertEqual(inst.query(":SYST:ERR?"), '-222,"Data out of range;from -89.45 to 89.45"')
        self.assertEqual(inst.query(":SYST:ERR?"), '-113,"Undefined header;:INP1:NOSUCH?"')
        self.assertEqual(inst.query(":SYST:ERR?"), '0,"No error"')
        self.assertEqual(float(inst.query(":INP1:THR?")), 0.0)

        # The header list as a definite-length block, one header a line.
        headers = inst.query_binary_values(":SYST:HELP:HEAD?", datatype="s", container=bytes)
        listed = headers.decode("ascii").splitlines()
        for header in ("*IDN?/qonly/", ":MEASure[1|2]:BER?/qonly/", ":INPut[1|2]:PATTern?",
                       ":INPut[1|2]:CALibration:INITiate/nquery/", ":TEST[1|2][:STATe]?"):
            self.assertIn(header, listed)
        self.assertEqual(inst.query("*OPC?"), "1", "the block's end read with it")

        # The quit saves what the script set.
        self.assertEqual(self.program.quit(), 0)
        with open(os.path.join(self.program.folder, "settings.cfg")) as f:
            saved = f.read().splitlines()
        self.assertIn("data_select_ch1 1", saved)
        self.assertIn("manual_mode_ch2 1", saved)


if __name__ == "__main__":
    KD71 = sys.argv.pop(1)
    unittest.main(verbosity=2)
