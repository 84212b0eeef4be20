#!/usr/bin/env bash
# kd71 --simulate with scenario files, as a process.
# Usage: scenario_smoke.sh PATH_TO_KD71 bad|replug|reconnect
#   bad        a wrong scenario file: exit 2 with the file and line, nothing touched
#   replug     a board unplugged for 50 ms between two ticks: the board's log
#              shows the unplug and the replug at the scenario's times, after
#              status lines with the scenario's bit rate
#   reconnect  the same, and the program opens the board again, keeps showing
#              "USB CONNECTED" with fresh figures and still quits on SIGTERM
#              with the settings saved
set -u
KD71=$1
MODE=$2
source "$(dirname "$0")/../support/smoke_lib.sh"
out=$work/out

# count PATTERN: lines of the output matching PATTERN.
count() { grep -c -- "$1" "$out"; }

# await_more PATTERN N: until more than N lines match (at most 3 s).
await_more() {
  for _ in $(seq 60); do
    [ "$(count "$1")" -gt "$2" ] && return 0
    sleep 0.05
  done
  return 1
}

case "$MODE" in
  bad)
    printf 'seed 7\nch1.offset_mv 20\nch1.nosie_mv 8\n' >"$work/bad.txt"
    "$KD71" --simulate --headless --sim-scenario "$work/bad.txt" >"$out" 2>&1; rc=$?
    [ $rc -eq 2 ] || fail "bad scenario: exit $rc" "$out"
    [ "$(cat "$out")" = "kd71: $work/bad.txt:3: unknown key \"ch1.nosie_mv\"" ] \
      || fail "bad scenario printed something else" "$out"
    [ -z "$(ls -A "$work/run")$(ls -A "$KD71_LOCK_DIR")" ] || fail "a bad scenario left files behind"

    "$KD71" --simulate --headless --sim-scenario "$work/missing.txt" >"$out" 2>&1; rc=$?
    [ $rc -eq 2 ] || fail "missing scenario: exit $rc" "$out"
    grep -q "^kd71: $work/missing.txt: cannot be read: " "$out" || fail "missing scenario" "$out"

    "$KD71" --headless --sim-scenario "$work/bad.txt" >"$out" 2>&1; rc=$?
    [ $rc -eq 2 ] || fail "--sim-scenario without --simulate: exit $rc" "$out"
    grep -q "^kd71: --sim-scenario works only with --simulate$" "$out" \
      || fail "--sim-scenario without --simulate" "$out"
    echo "bad scenario test passed"
    ;;

  replug | reconnect)
    # Ticks fall every 0.2 s from the start: 2.70 to 2.75 s lies between two.
    printf 'ch1.rate_mhz 12500\nat 2.7 unplug for 0.05\n' >"$work/replug.txt"
    "$KD71" --simulate --headless --sim-scenario "$work/replug.txt" >"$out" 2>&1 &
    pid=$!
    pids+=("$pid")
    wait_for "$out" "^simulated board: 2.750 s: plugged in again$" "$pid"
    expected="simulated board: [0-9]+\\.[0-9]{3} s: opened by the program
simulated board: 2.700 s: unplugged for 0.050 s
simulated board: 2.750 s: plugged in again"
    [[ $(grep "^simulated board: " "$out") =~ ^$expected ]] || fail "the board's log" "$out"
    # The scenario's bit rate reached the program before the unplug.
    rate_line=$(grep -n "^USB CONNECTED | CH1 12.500 Gbps " "$out" | head -1 | cut -d: -f1)
    unplug_line=$(grep -n "^simulated board: 2.700 s: unplugged" "$out" | cut -d: -f1)
    [ -n "$rate_line" ] && [ "$rate_line" -lt "$unplug_line" ] \
      || fail "no status line with the scenario's bit rate before the unplug" "$out"

    if [ "$MODE" = replug ]; then
      echo "replug test passed"  # what the program makes of it: the reconnect test
      exit 0
    fi

    await_more ": opened by the program$" 1 || fail "the board was not opened again" "$out"
    await_more "^USB CONNECTED | CH1 12.500 Gbps " "$(count "^USB CONNECTED | CH1 12.500 Gbps ")" \
      || fail "the status lines with the board's figures stopped after the replug" "$out"
    kill -TERM "$pid"
    for _ in $(seq 60); do kill -0 "$pid" 2>/dev/null || break; sleep 0.05; done
    kill -0 "$pid" 2>/dev/null && fail "SIGTERM did not end the program" "$out"
    wait "$pid"; rc=$?
    [ $rc -eq 0 ] || fail "SIGTERM exit $rc" "$out"
    [ -s settings.cfg ] || fail "no settings saved" "$out"
    echo "reconnect test passed"
    ;;
  *)
    echo "usage: $0 PATH_TO_KD71 bad|replug|reconnect" >&2
    exit 2
    ;;
esac
