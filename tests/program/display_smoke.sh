#!/usr/bin/env bash
# kd71 as a process with DISPLAY naming a display that cannot be reached (a
# stale variable over ssh): the first copy says so in one line and runs
# headless; a second copy is refused with the two-line message and exit 1
# whatever the display, without touching the first one's I2C trace; SIGTERM
# ends the first with 0.
# Usage: display_smoke.sh PATH_TO_KD71
set -u
KD71=$1
source "$(dirname "$0")/../support/smoke_lib.sh"

# A display number with no X server behind it.
n=71
while [ -e "/tmp/.X11-unix/X$n" ]; do n=$((n + 1)); done
export DISPLAY=":$n"
unset WAYLAND_DISPLAY QT_QPA_PLATFORM

"$KD71" --simulate --i2c-trace trace.vcd >"$work/first.out" 2>&1 &
first=$!
pids+=("$first")
wait_for "$work/first.out" "^USB CONNECTED | CH1 " "$first"
[ "$(head -1 "$work/first.out")" = "kd71: cannot open the display \":$n\"; running headless" ] \
  || fail "the first line is not the display's" "$work/first.out"
[ "$(grep -c 'display' "$work/first.out")" -eq 1 ] \
  || fail "more than one line about the display" "$work/first.out"

trace_before=$(stat -c %s trace.vcd)
[ "$trace_before" -gt 0 ] || fail "the first instance records no trace"
start=$(date +%s%N)
second=$("$KD71" --simulate --i2c-trace trace.vcd 2>&1); rc=$?
elapsed_ms=$(( ($(date +%s%N) - start) / 1000000 ))
[ $rc -eq 1 ] || fail "second instance exit $rc: $second"
[ "$second" = $'Program Already Running...\nMultiple Executions are Disallowed.' ] \
  || fail "second instance printed '$second'"
[ $elapsed_ms -ge 1900 ] || fail "second instance left after $elapsed_ms ms"
kill -0 "$first" 2>/dev/null || fail "first instance did not survive the second"
trace_after=$(stat -c %s trace.vcd)
[ "$trace_after" -ge "$trace_before" ] \
  || fail "the second instance cut the first one's trace from $trace_before to $trace_after bytes"

kill -TERM "$first"
wait "$first"; rc=$?
[ $rc -eq 0 ] || fail "SIGTERM exit $rc" "$work/first.out"
[ -s settings.cfg ] || fail "no settings saved"
echo "display smoke test passed"
