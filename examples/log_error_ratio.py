#!/usr/bin/env python3
"""Logs both channels' error ratio to CSV for a given time.

    KD71_BRIDGE=sim python3 examples/log_error_ratio.py --seconds 60 --pattern PRBS31 --output ratios.csv

Each row holds the seconds since the start and the error ratio of each
channel's last sample ('.' decimals, whatever the locale), at most one row
a second. A reading waits for two samples at channel 1's bit rate (3.44 s
at 10 Gb/s), and the first also for the channel's first sample, so rows
come every few seconds, and a row begun before the time is up is finished.
"""

import argparse
import csv
import sys
import time

import kd71


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--seconds", type=float, default=60.0, help="how long to log (default 60)")
    parser.add_argument("--interval", type=float, default=1.0,
                        help="least seconds between two rows (default 1)")
    parser.add_argument("--pattern", help="set both channels to this pattern first (PRBS7 .. PRBS31)")
    parser.add_argument("--output", default="-", help="CSV file to write (default: standard output)")
    args = parser.parse_args()

    out = sys.stdout if args.output == "-" else open(args.output, "w", newline="")
    try:
        with kd71.Instrument() as bert:
            if args.pattern:
                for channel in (1, 2):
                    bert.set_pattern(channel, args.pattern)
            writer = csv.writer(out, lineterminator="\n")
            writer.writerow(["time_s", "ch1_error_ratio", "ch2_error_ratio"])
            start = time.monotonic()
            next_row = start
            while time.monotonic() - start < args.seconds:
                time.sleep(max(0.0, next_row - time.monotonic()))
                next_row = time.monotonic() + args.interval
                ratios = [bert.error_ratio(channel) for channel in (1, 2)]
                elapsed = time.monotonic() - start
                writer.writerow([f"{elapsed:.3f}"] + [f"{r:.6e}" for r in ratios])
                out.flush()
    except (kd71.Kd71Error, ValueError) as error:
        print(f"log_error_ratio: {error}", file=sys.stderr)
        return 1
    finally:
        if out is not sys.stdout:
            out.close()
    return 0


if __name__ == "__main__":
    sys.exit(main())
