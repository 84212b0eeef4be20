#!/usr/bin/env bash
# Stop signals and a closed pipe, as a user meets them with kd71 --simulate
# --headless: SIGHUP (the terminal closes) quits with the settings saved; a
# reader that goes away (`kd71 --headless | head -2`) stops the status lines
# but not the program, which still quits on SIGTERM with the settings saved.
# Usage: signal_smoke.sh PATH_TO_KD71
set -u
KD71=$1
source "$(dirname "$0")/../support/smoke_lib.sh"

# SIGHUP.
"$KD71" --simulate --headless >"$work/out" 2>"$work/err" &
pid=$!
pids+=("$pid")
wait_for "$work/out" "^USB CONNECTED | CH1 10.000 Gbps " "$pid"
kill -HUP "$pid"
wait "$pid"; rc=$?
[ $rc -eq 0 ] || fail "SIGHUP exit $rc" "$work/err"
grep -q "^data_select_ch1 8$" settings.cfg || fail "SIGHUP saved no settings"
rm settings.cfg

# A pipe whose reader goes away after two lines.
mkfifo "$work/pipe"
head -2 <"$work/pipe" >"$work/head.out" &
reader=$!
"$KD71" --simulate --headless >"$work/pipe" 2>"$work/err" &
pid=$!
pids+=("$pid")
wait "$reader"
[ "$(wc -l <"$work/head.out")" -eq 2 ] || fail "head read other than two lines" "$work/head.out"
# The next status line finds the pipe closed.
wait_for "$work/err" "the status lines stop" "$pid"
kill -0 "$pid" 2>/dev/null || fail "the closed pipe ended kd71" "$work/err"
kill -TERM "$pid"
wait "$pid"; rc=$?
[ $rc -eq 0 ] || fail "SIGTERM after the closed pipe: exit $rc" "$work/err"
grep -q "^data_select_ch1 8$" settings.cfg || fail "no settings saved after the closed pipe"
[ "$(grep -c . "$work/err")" -eq 1 ] || fail "more on standard error than the one line" "$work/err"
echo "signal smoke test passed"
