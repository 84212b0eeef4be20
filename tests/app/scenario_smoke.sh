#!/usr/bin/env bash
# kd71 --simulate with scenario files, as a process.
# Usage: scenario_smoke.sh PATH_TO_KD71 bad|replug|reconnect
#   bad        a wrong scenario file: exit 2 with the file and line, nothing touched
#   replug     a board unplugged for 50 ms between two ticks: the board's log
#              shows the unplug and the replug at the scenario's times
#   reconnect  the same, and the program opens the board again, keeps showing
#              "USB CONNECTED" with fresh figures and still quits on SIGTERM
#              with the settings saved
set -u
KD71=$1
MODE=$2
work=$(mktemp -d)
trap '[ -n "${pid:-}" ] && kill -9 "$pid" 2>/dev/null; rm -rf "$work"' EXIT
export KD71_LOCK_DIR=$work/lock
mkdir -p "$KD71_LOCK_DIR" "$work/run"
cd "$work/run"
fail() { echo "FAIL: $*"; echo "--- output:"; cat "$work/out" 2>/dev/null; exit 1; }

# Waits up to $2 tenths of a second for a line matching $1 in the output.
await() {
  for _ in $(seq "$2"); do
    grep -q -- "$1" "$work/out" && return 0
    kill -0 "$pid" 2>/dev/null || return 1
    sleep 0.1
  done
  grep -q -- "$1" "$work/out"
}

case "$MODE" in
  bad)
    printf 'seed 7\nch1.offset_mv 20\nch1.nosie_mv 8\n' >"$work/bad.txt"
    "$KD71" --simulate --headless --sim-scenario "$work/bad.txt" >"$work/out" 2>&1; rc=$?
    [ $rc -eq 2 ] || fail "bad scenario: exit $rc"
    [ "$(cat "$work/out")" = "kd71: $work/bad.txt:3: unknown key \"ch1.nosie_mv\"" ] \
      || fail "bad scenario printed something else"
    [ -z "$(ls -A "$work/run")$(ls -A "$KD71_LOCK_DIR")" ] || fail "a bad scenario left files behind"

    "$KD71" --simulate --headless --sim-scenario "$work/missing.txt" >"$work/out" 2>&1; rc=$?
    [ $rc -eq 2 ] || fail "missing scenario: exit $rc"
    grep -q "^kd71: $work/missing.txt: cannot be read: " "$work/out" || fail "missing scenario"

    "$KD71" --headless --sim-scenario "$work/bad.txt" >"$work/out" 2>&1; rc=$?
    [ $rc -eq 2 ] || fail "--sim-scenario without --simulate: exit $rc"
    grep -q "^kd71: --sim-scenario works only with --simulate$" "$work/out" \
      || fail "--sim-scenario without --simulate"
    echo "bad scenario test passed"
    ;;

  replug | reconnect)
    # Ticks fall every 0.2 s from the start: 2.70 to 2.75 s lies between two.
    printf 'ch1.rate_mhz 12500\nat 2.7 unplug for 0.05\n' >"$work/replug.txt"
    "$KD71" --simulate --headless --sim-scenario "$work/replug.txt" >"$work/out" 2>&1 &
    pid=$!
    await "^simulated board: 2.750 s: plugged in again$" 50 || fail "no replug in the board's log"
    log=$(grep "^simulated board: " "$work/out")
    expected="simulated board: [0-9]+\.[0-9]{3} s: opened by the program
simulated board: 2.700 s: unplugged for 0.050 s
simulated board: 2.750 s: plugged in again"
    [[ $log =~ ^$expected ]] || fail "board's log: $log"
    # The scenario's bit rate reached the program before the unplug.
    first_rate=$(grep -n "^USB CONNECTED | CH1 12.500 Gbps " "$work/out" | head -1 | cut -d: -f1)
    unplugged=$(grep -n "^simulated board: 2.700 s: unplugged" "$work/out" | cut -d: -f1)
    [ -n "$first_rate" ] && [ "$first_rate" -lt "$unplugged" ] \
      || fail "no status line with the scenario's bit rate before the unplug"

    if [ "$MODE" = replug ]; then
      # Whether the program sees the replug is the reconnect test's business.
      kill -TERM $pid
      for _ in $(seq 30); do kill -0 $pid 2>/dev/null || break; sleep 0.1; done
      echo "replug test passed"
      exit 0
    fi

    for _ in $(seq 30); do
      [ "$(grep -c ': opened by the program$' "$work/out")" -ge 2 ] && break
      sleep 0.1
    done
    [ "$(grep -c ': opened by the program$' "$work/out")" -ge 2 ] \
      || fail "the board was not opened again after the replug"
    # Status lines go on (one a second) with the board's figures.
    lines=$(grep -c "^USB CONNECTED | CH1 12.500 Gbps " "$work/out")
    for _ in $(seq 30); do
      [ "$(grep -c "^USB CONNECTED | CH1 12.500 Gbps " "$work/out")" -gt "$lines" ] && break
      sleep 0.1
    done
    [ "$(grep -c "^USB CONNECTED | CH1 12.500 Gbps " "$work/out")" -gt "$lines" ] \
      || fail "the status lines with the board's figures stopped after the replug"
    kill -TERM $pid
    for _ in $(seq 30); do kill -0 $pid 2>/dev/null || break; sleep 0.1; done
    kill -0 $pid 2>/dev/null && fail "SIGTERM did not end the program"
    wait $pid; rc=$?
    [ $rc -eq 0 ] || fail "SIGTERM exit $rc"
    [ -s settings.cfg ] || fail "no settings saved"
    echo "reconnect test passed"
    ;;
  *)
    echo "usage: $0 PATH_TO_KD71 bad|replug|reconnect" >&2
    exit 2
    ;;
esac
