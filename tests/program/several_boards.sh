#!/usr/bin/env bash
# Several boards on one PC, as processes: one scenario with two boards, a
# copy of the program for each (--serial), their guards, settings files
# (also one named with --settings) and metrics apart; a third copy for a board already taken is refused; the
# board list; a board not attached; a metrics port already taken.
# Usage: several_boards.sh PATH_TO_KD71
set -u
KD71=$1
source "$(dirname "$0")/../support/smoke_lib.sh"
scenario=$work/two.txt
# The event, long after the test, makes the boards log the program's opens.
printf 'devices board:KD71SIM000001 board:KD71SIM000002\nat 3600 unplug for 1\n' >"$scenario"

# The board list, of the scenario's boards and of none.
"$KD71" --simulate --sim-scenario "$scenario" --list-boards >"$work/list" 2>&1; rc=$?
[ $rc -eq 0 ] || fail "--list-boards exit $rc" "$work/list"
[ "$(cat "$work/list")" = "KD71SIM000001  VORN_KD71_2CH  bus 2 port 1.1  may be opened
KD71SIM000002  VORN_KD71_2CH  bus 2 port 1.2  may be opened" ] || fail "the board list" "$work/list"
printf 'devices no_board\n' >"$work/none.txt"
"$KD71" --simulate --sim-scenario "$work/none.txt" --list-boards >"$work/list" 2>&1; rc=$?
[ $rc -eq 1 ] || fail "--list-boards without a board: exit $rc" "$work/list"
[ "$(cat "$work/list")" = "kd71: no KD71 board is attached" ] || fail "no board listed" "$work/list"

# One copy per board, side by side in one folder, each with its metrics.
start_copy() {  # start_copy SERIAL [ARGUMENTS]: its output in $work/SERIAL.out
  "$KD71" --simulate --headless --sim-scenario "$scenario" --serial "$@" --metrics 0 \
    >"$work/$1.out" 2>&1 &
  pids+=($!)
}
start_copy KD71SIM000001
first=${pids[-1]}
start_copy KD71SIM000002 --i2c-trace "$work/second.vcd"
second=${pids[-1]}
for serial in KD71SIM000001 KD71SIM000002; do
  pid=$([ $serial = KD71SIM000001 ] && echo $first || echo $second)
  wait_for "$work/$serial.out" "^USB CONNECTED (board $serial) | CH1 10.000 Gbps" "$pid"
  grep -q "^simulated board: .* opened by the program ($serial)$" "$work/$serial.out" \
    || fail "$serial: another board was opened" "$work/$serial.out"
done

# The second copy's I2C trace is of the board it drives, not of the first
# on its bus (which no program talks to: its lines would never move).
changes=$(grep -c '^[01][!-~]$' "$work/second.vcd")
[ "$changes" -ge 100 ] || fail "the trace shows $changes line changes" "$work/second.vcd"

# The page of each copy names its own board alone.
scrape() {  # scrape SERIAL: the page of that copy on standard output
  local port
  port=$(sed -n 's|^kd71: metrics served on http://127.0.0.1:\([0-9]*\)/metrics$|\1|p' \
    "$work/$1.out")
  exec 3<>"/dev/tcp/127.0.0.1/$port" || return 1
  printf 'GET /metrics HTTP/1.0\r\n\r\n' >&3
  cat <&3
  exec 3<&-
}
scrape KD71SIM000002 >"$work/page"
grep -q '^kd71_link_up{serial="KD71SIM000002"} 1$' "$work/page" || fail "the second page" "$work/page"
grep -q 'KD71SIM000001' "$work/page" && fail "the second copy's page names the first board" "$work/page"

# A third copy for a board already taken is refused as ever; one for a board
# not attached runs and says which board it awaits.
out=$(timeout -s KILL 8 "$KD71" --simulate --headless --sim-scenario "$scenario" \
  --serial KD71SIM000001); rc=$?
[ $rc -eq 1 ] || fail "a copy for a board already taken: exit $rc"
[ "$out" = $'Program Already Running...\nMultiple Executions are Disallowed.' ] \
  || fail "a copy for a board already taken printed '$out'"
"$KD71" --simulate --headless --sim-scenario "$scenario" --serial KD71SIM000003 \
  --settings bench.cfg >"$work/absent.out" 2>&1 &
absent=$!
pids+=($absent)
wait_for "$work/absent.out" \
  "^USB NOT CONNECTED (awaiting board KD71SIM000003) | CH1 -- | CH2 --$" "$absent"

# A metrics port already taken: one line, exit 2, before the board is touched.
port=$(sed -n 's|^kd71: metrics served on http://127.0.0.1:\([0-9]*\)/metrics$|\1|p' \
  "$work/KD71SIM000001.out")
"$KD71" --simulate --headless --serial KD71SIM000004 --metrics "$port" >"$work/taken" 2>&1; rc=$?
[ $rc -eq 2 ] || fail "a metrics port taken: exit $rc" "$work/taken"
[ "$(cat "$work/taken")" = "kd71: cannot serve metrics on 127.0.0.1 port $port (bind: Address already in use)" ] \
  || fail "a metrics port taken" "$work/taken"

for pid in $first $second $absent; do
  terminate "$pid"
  [ $rc -eq 0 ] || fail "SIGTERM exit $rc"
done
[ -s settings-KD71SIM000001.cfg ] && [ -s settings-KD71SIM000002.cfg ] \
  || fail "each board's settings file: $(ls)"
[ -s bench.cfg ] || fail "the settings file named: $(ls)"
[ -e settings.cfg ] || [ -e settings-KD71SIM000003.cfg ] && fail "a copy wrote another's settings"
echo "several boards test passed"
