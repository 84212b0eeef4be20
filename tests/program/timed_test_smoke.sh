#!/usr/bin/env bash
# kd71 --simulate --headless --timed-test as a process: a loose target
# passes (exit 0), a strict one fails (exit 3), each with one summary line
# per channel and a log of the run; options out of range are usage errors
# (exit 2).
# Usage: timed_test_smoke.sh PATH_TO_KD71 pass|fail
set -u
KD71=$1
MODE=$2
source "$(dirname "$0")/../support/smoke_lib.sh"

if [ "$MODE" = pass ]; then target=1e-9; logged=1e-09; want_rc=0; verdict="PASS at 1e-09"
else target=1e-12; logged=1e-12; want_rc=3; verdict="FAIL at 1e-12"; fi

timeout 60 "$KD71" --simulate --headless --timed-test 3 --target-ber "$target" --log run.csv \
  >"$work/out" 2>&1
rc=$?
[ $rc -eq $want_rc ] || fail "exit $rc, not $want_rc" "$work/out"
for ch in CH1 CH2; do
  line=$(grep "^$ch timed test: " "$work/out")
  [ "$(grep -c "^$ch timed test: " "$work/out")" -eq 1 ] || fail "not one summary line of $ch" "$work/out"
  [[ "$line" =~ ^$ch\ timed\ test:\ errors\ 0\ bits\ [1-9][0-9]+\ in\ 00:00:03\ BER\ \<\ [0-9]\.[0-9]e-[0-9]+\ \(95\ %\)\ $verdict$ ]] \
    || fail "summary of $ch: $line" "$work/out"
done
# The log holds the run: rows with the test's bits and verdict.
grep -q ',sample,1,10000,17179869184,0,.*,0.95,'"$logged"',' run.csv || fail "no row of the run" run.csv

if [ "$MODE" = fail ]; then
  for args in "--timed-test 0" "--timed-test 3s" "--timed-test 5 --target-ber 2" \
              "--timed-test 5 --confidence 100" "--timed-test 5 --target-ber"; do
    # shellcheck disable=SC2086
    "$KD71" --simulate --headless $args >"$work/usage" 2>&1
    rc=$?
    [ $rc -eq 2 ] || fail "'$args' exit $rc, not 2" "$work/usage"
  done
  # A report that cannot be written: one line, before the test.
  "$KD71" --simulate --headless --timed-test 5 --report "$work/none/r.html" >"$work/usage" 2>&1
  rc=$?
  [ $rc -eq 2 ] && [ "$(wc -l <"$work/usage")" -eq 1 ] &&
    grep -q "^kd71: cannot write the report to $work/none/r.html (" "$work/usage" ||
    fail "unwritable report: exit $rc" "$work/usage"
  "$KD71" --simulate --timed-test 5 >"$work/usage" 2>&1
  [ $? -eq 2 ] && grep -q "works only with --headless" "$work/usage" || fail "windowed timed test" "$work/usage"
fi
echo "timed test smoke test ($MODE) passed"
