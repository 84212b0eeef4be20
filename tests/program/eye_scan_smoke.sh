#!/usr/bin/env bash
# The eye scan of kd71 --simulate --headless --eye-scan: a bathtub of
# channel 1 in automatic mode runs to its end, writes one CSV row per point
# with decimal points under a comma locale, prints its summary and exits 0
# with channel 1 still in automatic mode in the saved settings; SIGTERM
# during a scan ends it within about one point and the program quits with
# exit 3, the points measured so far in the file; a file that cannot be
# written stops the program before it starts.
# Usage: eye_scan_smoke.sh PATH_TO_KD71
set -u
KD71=$1
source "$(dirname "$0")/../support/smoke_lib.sh"

"$KD71" --simulate --headless --eye-scan 1 --eye-out "$work/no/such/folder/eye.csv" \
  >/dev/null 2>"$work/err"; rc=$?
[ $rc -eq 2 ] || fail "unwritable --eye-out: exit $rc" "$work/err"
grep -q "^kd71: cannot write the eye scan to $work/no/such/folder/eye.csv (" "$work/err" \
  || fail "unwritable --eye-out: no reason" "$work/err"
[ ! -e settings.cfg ] || fail "the program ran" settings.cfg

# 32 steps per bit: 32 points of a quarter second.
LC_ALL=de_DE.UTF-8 "$KD71" --simulate --headless --eye-scan 1 --eye-out eye.csv \
  --eye-delay-steps 32 >"$work/out" 2>"$work/err"; rc=$?
[ $rc -eq 0 ] || fail "the scan: exit $rc" "$work/out"
grep -q "^CH1 bathtub at 0.00 mV, 5.0e-09: width [0-9.]* ps (0\.[0-9]* UI); centre [0-9.]* V" \
  "$work/out" || fail "no summary" "$work/out"
grep -q "^CH1 eye scan: 32 points written to eye.csv$" "$work/out" || fail "no file line" "$work/out"
[ "$(head -1 eye.csv | tr -d '\r')" = \
  "delay_v,delay_ps,threshold_mv,errors,bits,ratio,ratio_is_bound,saturated" ] \
  || fail "header" eye.csv
[ "$(tail -n +2 eye.csv | grep -c '^[0-9]*\.[0-9]*,[0-9]*\.[0-9]*,-\?[0-9]*\.[0-9]*,[0-9]*,[0-9]*,[0-9.]*e[-+][0-9]*,[01],[01].$')" -eq 32 ] \
  || fail "32 rows with decimal points" eye.csv
grep -q "^manual_mode_ch1 0$" settings.cfg || fail "channel 1 not back in automatic mode" settings.cfg

# Two-dimensional, stopped by SIGTERM some points in.
"$KD71" --simulate --headless --eye-scan 2 --eye-out eye2.csv --eye-2d --eye-delay-steps 32 \
  >"$work/out" 2>"$work/err" &
pid=$!
pids+=("$pid")
wait_for "$work/out" "^CH2 eye scan: point [0-9]* of 1024 at " "$pid"
wait_for "$work/out" "^CH2 eye scan: point [0-9]*[0-9][0-9] of 1024 at " "$pid"
terminate "$pid"
[ $rc -eq 3 ] || fail "SIGTERM during the scan: exit $rc" "$work/out"
[ $elapsed_ms -le 1500 ] || fail "the program took $elapsed_ms ms to end" "$work/out"
grep -q "(stopped after [0-9]* of 1024 points)$" "$work/out" || fail "no stop said" "$work/out"
points=$(sed -n 's/^CH2 eye scan: \([0-9]*\) points written to eye2.csv$/\1/p' "$work/out")
[ -n "$points" ] && [ "$points" -gt 10 ] && [ "$points" -lt 1024 ] \
  || fail "points written: '$points'" "$work/out"
[ "$(wc -l <eye2.csv)" -eq $((points + 1)) ] || fail "rows" eye2.csv
echo "eye scan smoke test passed"
