"""Debian's Prometheus scraping two copies of kd71 on two simulated boards
of one scenario (a noisy channel 1, the boards unplugged for two seconds),
every 100 ms, checked through Prometheus's own query API: both boards'
series are there, kd71_errors_total grows with the injected errors and
keeps growing across the unplug, and it never goes down. The time a scrape
takes and the samples missed are printed, not judged.

Usage: prometheus_test.py PATH_TO_KD71
"""

import json
import os
import re
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import time
import unittest
import urllib.parse
import urllib.request

PROMETHEUS = shutil.which("prometheus") or "/usr/bin/prometheus"
if not os.access(PROMETHEUS, os.X_OK):  # CI installs it (scripts/kd71.sh)
    print("Prometheus is not installed: apt-get install prometheus")
    sys.exit(77)

KD71 = None
SERIALS = ("KD71SIM000001", "KD71SIM000002")
PATIENCE_S = 30.0  # bounds a test gone wrong
SCENARIO = """devices board:KD71SIM000001 board:KD71SIM000002
ch1.noise_mv 12.0
at 8 unplug for 2
"""


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def wait_until(what, check):
    give_up = time.monotonic() + PATIENCE_S
    while True:
        result = check()
        if result:
            return result
        if time.monotonic() > give_up:
            raise AssertionError("gave up waiting for " + what)
        time.sleep(0.1)


class PrometheusScrapesTwoBoards(unittest.TestCase):
    def setUp(self):
        self.work = tempfile.mkdtemp()
        self.processes = []
        scenario = os.path.join(self.work, "two_boards.txt")
        with open(scenario, "w") as f:
            f.write(SCENARIO)
        env = dict(os.environ, KD71_LOCK_DIR=self.work,
                   XDG_CONFIG_HOME=os.path.join(self.work, "config"))
        self.outputs = {}
        for serial in SERIALS:
            self.outputs[serial] = os.path.join(self.work, serial + ".out")
            with open(self.outputs[serial], "w") as out:
                self.processes.append(subprocess.Popen(
                    [KD71, "--simulate", "--headless", "--sim-scenario", scenario,
                     "--serial", serial, "--metrics", "0"],
                    cwd=self.work, env=env, stdout=out, stderr=subprocess.STDOUT))
        targets = [wait_until("the metrics line of " + s, lambda s=s: self.endpoint(s))
                   for s in SERIALS]
        config = os.path.join(self.work, "prometheus.yml")
        with open(config, "w") as f:
            f.write("global:\n  scrape_interval: 100ms\n  scrape_timeout: 100ms\n"
                    "scrape_configs:\n  - job_name: kd71\n    static_configs:\n"
                    "      - targets: [%s]\n" % ", ".join("'%s'" % t for t in targets))
        self.api = "http://127.0.0.1:%d" % free_port()
        self.prometheus_log = open(os.path.join(self.work, "prometheus.log"), "w")
        self.processes.append(subprocess.Popen(
            [PROMETHEUS, "--config.file=" + config,
             "--storage.tsdb.path=" + os.path.join(self.work, "data"),
             "--web.listen-address=" + self.api[len("http://"):]],
            cwd=self.work, stdout=self.prometheus_log, stderr=subprocess.STDOUT))
        wait_until("Prometheus to be ready", self.ready)

    def tearDown(self):
        for p in self.processes:
            p.send_signal(signal.SIGTERM)
        for p in self.processes:
            try:
                p.wait(timeout=20)
            except subprocess.TimeoutExpired:
                p.kill()
        self.prometheus_log.close()
        shutil.rmtree(self.work)

    def console(self, serial):
        with open(self.outputs[serial]) as f:
            return f.read()

    def endpoint(self, serial):
        m = re.search(r"^kd71: metrics served on http://([0-9.:]+)/metrics$",
                      self.console(serial), re.M)
        return m and m.group(1)

    def ready(self):
        try:
            with urllib.request.urlopen(self.api + "/-/ready", timeout=1) as r:
                return r.status == 200
        except OSError:
            return False

    def query(self, expression):
        """{serial: value} of an instant query."""
        url = self.api + "/api/v1/query?" + urllib.parse.urlencode({"query": expression})
        with urllib.request.urlopen(url, timeout=5) as r:
            answer = json.load(r)
        self.assertEqual(answer["status"], "success", answer)
        return {s["metric"].get("serial", s["metric"].get("instance")): float(s["value"][1])
                for s in answer["data"]["result"]}

    def errors(self):
        return self.query('kd71_errors_total{channel="1"}')

    def test_both_boards_errors_grow_across_an_unplug(self):
        grown = wait_until("errors of both boards", lambda: (
            lambda e: len(e) == 2 and all(v > 0 for v in e.values()) and e)(self.errors()))
        self.assertEqual(sorted(grown), sorted(SERIALS))

        for serial in SERIALS:
            wait_until(serial + " unplugged",
                       lambda s=serial: "unplugged for 2.000 s" in self.console(s))
        at_unplug = self.errors()
        for serial in SERIALS:
            wait_until(serial + " plugged in again",
                       lambda s=serial: "plugged in again" in self.console(s))
        # The noisy channel's errors go on growing, sample after sample, not
        # just with the first sample of the new connection.
        seen = [at_unplug]
        for n in range(3):
            seen.append(wait_until("errors growing after the unplug (%d)" % n, lambda: (
                lambda e: all(e.get(s, 0) > seen[-1][s] for s in SERIALS) and e)(self.errors())))
        self.assertEqual(sorted(self.query("max_over_time(kd71_link_up[1m]) == 1")),
                         sorted(SERIALS), "both boards were connected")
        self.assertEqual(sorted(self.query("min_over_time(kd71_link_up[1m]) == 0")),
                         sorted(SERIALS), "the unplug was scraped")
        self.assertEqual(self.query("resets(kd71_errors_total[1m]) > 0"), {},
                         "a counter went down")

        scrapes = wait_until("100 scrapes of each program", lambda: (
            lambda c: len(c) == 2 and min(c.values()) >= 100 and c)(
                self.query('count_over_time(scrape_duration_seconds{job="kd71"}[1m])')))
        median = self.query('quantile_over_time(0.5, scrape_duration_seconds{job="kd71"}[1m])')
        missed = self.query('max by (serial) (kd71_samples_missed_total)')
        for instance in sorted(median):
            print("%s: median scrape %.2f ms over %d scrapes" %
                  (instance, median[instance] * 1e3, scrapes.get(instance, 0)))
        print("samples missed while scraped every 100 ms: %s" % missed)


if __name__ == "__main__":
    KD71 = sys.argv.pop(1)
    unittest.main(verbosity=2)
