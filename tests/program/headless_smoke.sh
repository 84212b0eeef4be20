#!/usr/bin/env bash
# kd71 --simulate --headless as a process, in an empty folder: status lines
# with the USB notice and channel 1's bit rate, SIGTERM as the quit button
# (exit 0), and a settings file of the program's format left behind.
# Usage: headless_smoke.sh PATH_TO_KD71
set -u
KD71=$1
work=$(mktemp -d)
trap '[ -n "${pid:-}" ] && kill -9 "$pid" 2>/dev/null; rm -rf "$work"' EXIT
export KD71_LOCK_DIR=$work/lock
export XDG_CONFIG_HOME=$work/config  # the program's own settings
mkdir -p "$KD71_LOCK_DIR" "$work/run"
cd "$work/run"
fail() { echo "FAIL: $*"; echo "--- output:"; cat "$work/out"; exit 1; }

"$KD71" --simulate --headless >"$work/out" 2>&1 &
pid=$!
# The first sample of channel 1 arrives within a few seconds of the start.
for _ in $(seq 300); do
  grep -q "^USB CONNECTED | CH1 10.000 Gbps " "$work/out" && break
  kill -0 $pid 2>/dev/null || fail "kd71 ended early"
  sleep 0.05
done
grep -q "^USB CONNECTED | CH1 10.000 Gbps " "$work/out" || fail "no status line with the bit rate"
kill -TERM $pid
wait $pid; rc=$?
[ $rc -eq 0 ] || fail "SIGTERM exit $rc"

[ "$(ls -A "$work/run")" = "settings.cfg" ] || fail "folder holds: $(ls -A "$work/run")"
expected='VORN_KD71_2CH Configuration Data
Ch1_SamplingDelay 0.000000
Ch2_SamplingDelay 0.000000
Ch1_Threshold 0.000000
Ch2_Threshold 0.000000
data_select_ch1 8
data_select_ch2 8
ring_in_clk_ch1 1
ring_in_clk_ch2 1
ringslide_9240phs_ch1 0
ringslide_9240phs_ch2 0
ringslide_9372phs_ch1 0
ringslide_9372phs_ch2 0
manual_mode_ch1 0
manual_mode_ch2 0'
[ "$(cat settings.cfg)" = "$expected" ] || fail "settings.cfg: $(cat settings.cfg)"
[ -n "$(tail -c 1 settings.cfg)" ] || fail "settings.cfg ends with a line feed"
echo "headless smoke test passed"
