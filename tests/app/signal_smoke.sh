#!/usr/bin/env bash
# Stop signals and a closed pipe, as a user meets them with kd71 --simulate
# --headless: SIGHUP (the terminal closes) quits with the settings saved; a
# reader that goes away (`kd71 --headless | head -2`) stops the status lines
# but not the program, which still quits on SIGTERM with the settings saved.
# Usage: signal_smoke.sh PATH_TO_KD71
set -u
KD71=$1
work=$(mktemp -d)
trap '[ -n "${pid:-}" ] && kill -9 "$pid" 2>/dev/null; rm -rf "$work"' EXIT
export KD71_LOCK_DIR=$work/lock
mkdir -p "$KD71_LOCK_DIR" "$work/run"
cd "$work/run"
fail() { echo "FAIL: $*"; exit 1; }

wait_for() {  # wait_for FILE PATTERN: until FILE holds a line matching PATTERN
  for _ in $(seq 300); do
    grep -q "$2" "$1" 2>/dev/null && return 0
    kill -0 $pid 2>/dev/null || fail "kd71 ended early: $(cat "$work/err" 2>/dev/null)"
    sleep 0.05
  done
  fail "no line '$2' in $1"
}

# SIGHUP.
"$KD71" --simulate --headless >"$work/out" 2>"$work/err" &
pid=$!
wait_for "$work/out" "^USB CONNECTED | CH1 10.000 Gbps "
kill -HUP $pid
wait $pid; rc=$?
pid=
[ $rc -eq 0 ] || fail "SIGHUP exit $rc"
grep -q "^data_select_ch1 8$" settings.cfg || fail "SIGHUP saved no settings"
rm settings.cfg

# A pipe whose reader goes away after two lines.
mkfifo "$work/pipe"
head -2 <"$work/pipe" >"$work/head.out" &
reader=$!
"$KD71" --simulate --headless >"$work/pipe" 2>"$work/err" &
pid=$!
wait $reader
[ "$(wc -l <"$work/head.out")" -eq 2 ] || fail "head read: $(cat "$work/head.out")"
# The next status line finds the pipe closed.
wait_for "$work/err" "the status lines stop"
kill -0 $pid 2>/dev/null || fail "the closed pipe ended kd71"
kill -TERM $pid
wait $pid; rc=$?
pid=
[ $rc -eq 0 ] || fail "SIGTERM after the closed pipe: exit $rc"
grep -q "^data_select_ch1 8$" settings.cfg || fail "no settings saved after the closed pipe"
[ "$(grep -c . "$work/err")" -eq 1 ] || fail "stderr: $(cat "$work/err")"
echo "signal smoke test passed"
