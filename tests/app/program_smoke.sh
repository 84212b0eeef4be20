#!/usr/bin/env bash
# The kd71 program as a process: options, the single-instance guard, SIGTERM.
# Usage: program_smoke.sh PATH_TO_KD71
set -u
KD71=$1
work=$(mktemp -d)
trap '[ -n "${first:-}" ] && kill -9 "$first" 2>/dev/null; rm -rf "$work"' EXIT
export KD71_LOCK_DIR=$work
cd "$work"
fail() { echo "FAIL: $*"; exit 1; }

out=$("$KD71" --version) || fail "--version exit $?"
[[ $out =~ ^V\ 1\.0\.8\ \(built\ [A-Z][a-z]{2}\ [\ 0-9][0-9]\ [0-9]{4}\ [0-9]{2}:[0-9]{2}:[0-9]{2}\)$ ]] \
  || fail "--version printed '$out'"

"$KD71" --no-such-option >/dev/null 2>"$work/err"; rc=$?
[ $rc -eq 2 ] || fail "unknown option exit $rc"
grep -q "^Usage: kd71" "$work/err" || fail "unknown option printed no usage"

"$KD71" --headless >"$work/first.out" 2>&1 &
first=$!
# Wait until the first instance holds the lock. Watching /proc/locks takes
# no lock: a probe that took it for a moment could make the first instance
# believe another one runs.
for _ in $(seq 200); do
  awk -v pid="$first" '$2 == "FLOCK" && $5 == pid { found = 1 } END { exit !found }' /proc/locks \
    && break
  sleep 0.05
done

start=$(date +%s%N)
second=$("$KD71" --headless); rc=$?
elapsed_ms=$(( ($(date +%s%N) - start) / 1000000 ))
[ $rc -eq 1 ] || fail "second instance exit $rc"
[ "$second" = $'Program Already Running...\nMultiple Executions are Disallowed.' ] \
  || fail "second instance printed '$second'"
[ $elapsed_ms -ge 1900 ] || fail "second instance left after $elapsed_ms ms"
kill -0 $first 2>/dev/null || fail "first instance did not survive the second"

kill -TERM $first
wait $first; rc=$?
[ $rc -eq 0 ] || fail "SIGTERM exit $rc: $(cat "$work/first.out")"
echo "program smoke test passed"
