#!/usr/bin/env bash
# The measurement log of kd71 as a process.
#   kill:  SIGKILL mid-run leaves a log whose every complete row parses; a
#          second run appends to it, with no second header.
#   comma: the window on a German desktop (decimal commas) still writes
#          '.' decimals (skipped, exit 77, when that locale is missing).
# Usage: log_smoke.sh PATH_TO_KD71 kill|comma
set -u
KD71=$1
MODE=$2
source "$(dirname "$0")/../support/smoke_lib.sh"

header='time_utc,seconds,event,channel,bit_rate_mbps,sample_length_bits,errors,error_ratio,ratio_is_bound,ones,sync,fast_errors,test_errors,test_bits,test_elapsed_s,ber_bound,confidence,target_ber,verdict,bits_needed'

# wait_rows FILE COUNT PID: until FILE holds COUNT sample rows, while the
# program PID runs (at most 30 s).
wait_rows() {
  for _ in $(seq 600); do
    [ "$(grep -c ',sample,' "$1" 2>/dev/null || true)" -ge "$2" ] && return 0
    kill -0 "$3" 2>/dev/null || fail "kd71 ended early" "$work/out"
    sleep 0.05
  done
  fail "fewer than $2 sample rows" "$1"
}

# check_log FILE: every complete line (a row cut short by the kill may end
# the file) is a CR LF row of 20 fields with the header first, numbers with
# '.' decimals where the columns hold numbers. Prints the number of rows.
check_log() {
  local complete=$1.complete
  if [ -n "$(tail -c 1 "$1")" ]; then sed '$d' "$1" >"$complete"; else cp "$1" "$complete"; fi
  awk -F, -v header="$header" '
    { if (sub(/\r$/, "") != 1) { print "line " NR " does not end in CR LF"; bad = 1 } }
    NR == 1 { if ($0 != header) { print "header: " $0; bad = 1 } next }
    NF != 20 { print "line " NR " has " NF " fields: " $0; bad = 1; next }
    $1 !~ /^[0-9][0-9][0-9][0-9]-[0-9][0-9]-[0-9][0-9]T[0-9][0-9]:[0-9][0-9]:[0-9][0-9]\.[0-9][0-9][0-9]Z$/ ||
    $2 !~ /^[0-9]+\.[0-9][0-9][0-9]$/ { print "line " NR " times: " $0; bad = 1; next }
    $3 == "sample" {
      if ($4 !~ /^[12]$/ || $5 !~ /^[0-9]+$/ || $6 !~ /^[0-9]+$/ || $7 !~ /^[0-9]+$/ ||
          $8 !~ /^[0-9]+(\.[0-9]+)?(e[-+][0-9]+)?$/ || $9 !~ /^[01]$/ || $10 !~ /^[0-9]+$/ ||
          $11 !~ /^[01]$/ || $12 !~ /^[0-9]+$/) { print "line " NR " sample: " $0; bad = 1 }
      rows++; next
    }
    $3 == "link up" || $3 == "link down" { next }
    { print "line " NR " event: " $3; bad = 1 }
    END { if (bad) exit 1; print rows }' "$complete"
}

if [ "$MODE" = kill ]; then
  "$KD71" --simulate --headless --log run.csv >"$work/out" 2>&1 &
  pid=$!
  pids+=("$pid")
  wait_rows run.csv 8 "$pid"
  kill -KILL "$pid"
  wait "$pid" 2>/dev/null
  first=$(check_log run.csv) || fail "the log after SIGKILL: $first" run.csv
  [ "$first" -ge 8 ] || fail "$first sample rows" run.csv
  grep -q ',link up,' run.csv || fail "no link row" run.csv

  # Again on the same file: appended after the old rows.
  cp run.csv "$work/before.csv"
  "$KD71" --simulate --headless --log run.csv >"$work/out2" 2>&1 &
  pid=$!
  pids+=("$pid")
  wait_rows run.csv $((first + 4)) "$pid"
  kill -TERM "$pid"
  wait "$pid"; rc=$?
  [ $rc -eq 0 ] || fail "SIGTERM exit $rc" "$work/out2"
  second=$(check_log run.csv) || fail "the log after the second run: $second" run.csv
  [ "$second" -ge $((first + 4)) ] || fail "$second rows after the second run" run.csv
  [ "$(grep -c '^time_utc,' run.csv)" -eq 1 ] || fail "a second header" run.csv
  [ "$(head -c "$(stat -c %s "$work/before.csv")" run.csv | cmp - "$work/before.csv")" = "" ] \
    || fail "the first run's rows changed" run.csv
  echo "log smoke test (kill) passed"
  exit 0
fi

locale -a 2>/dev/null | grep -qix 'de_DE\.utf-\?8' || {
  echo "SKIP: the de_DE.UTF-8 locale is not installed (scripts/kd71.sh test generates it)"
  exit 77
}
export LC_ALL=de_DE.UTF-8 QT_QPA_PLATFORM=offscreen
unset DISPLAY WAYLAND_DISPLAY
# A settings file, so that no "Restore Error" popup waits for a click.
printf '%s\n' 'VORN_KD71_2CH Configuration Data' 'Ch1_SamplingDelay 0.000000' \
  'Ch2_SamplingDelay 0.000000' 'Ch1_Threshold 0.000000' 'Ch2_Threshold 0.000000' \
  'data_select_ch1 8' 'data_select_ch2 8' 'ring_in_clk_ch1 1' 'ring_in_clk_ch2 1' \
  'ringslide_9240phs_ch1 0' 'ringslide_9240phs_ch2 0' 'ringslide_9372phs_ch1 0' \
  'ringslide_9372phs_ch2 0' 'manual_mode_ch1 0' >settings.cfg
printf '%s' 'manual_mode_ch2 0' >>settings.cfg
"$KD71" --simulate --log comma.csv >"$work/out" 2>&1 &
pid=$!
pids+=("$pid")
wait_rows comma.csv 4 "$pid"
kill -TERM "$pid"
wait "$pid"; rc=$?
[ $rc -eq 0 ] || fail "SIGTERM exit $rc" "$work/out"
rows=$(check_log comma.csv) || fail "the log under a comma locale: $rows" comma.csv
[ "$rows" -ge 4 ] || fail "$rows rows" comma.csv
grep -q ',sample,1,10000,17179869184,[0-9]*,[0-9.e+-]*,' comma.csv || fail "no '.' ratio" comma.csv
echo "log smoke test (comma) passed"
