#!/usr/bin/env bash
# The kd71 program as a process: options, the single-instance guard (also
# against another user's instance), SIGTERM.
# Usage: program_smoke.sh PATH_TO_KD71
set -u
KD71=$1
work=$(mktemp -d)
trap '[ -n "${first:-}" ] && kill -9 "$first" 2>/dev/null; rm -rf "$work"' EXIT
export KD71_LOCK_DIR=$work
export XDG_CONFIG_HOME=$work/config  # the program's own settings
cd "$work"
fail() { echo "FAIL: $*"; exit 1; }

out=$("$KD71" --version) || fail "--version exit $?"
[[ $out =~ ^V\ 1\.0\.8\ \(built\ [A-Z][a-z]{2}\ [\ 0-9][0-9]\ [0-9]{4}\ [0-9]{2}:[0-9]{2}:[0-9]{2}\)$ ]] \
  || fail "--version printed '$out'"

"$KD71" --no-such-option >/dev/null 2>"$work/err"; rc=$?
[ $rc -eq 2 ] || fail "unknown option exit $rc"
[ "$(cat "$work/err")" = $'kd71: unknown option: --no-such-option\ntry \'kd71 --help\'' ] \
  || fail "unknown option printed '$(cat "$work/err")'"
"$KD71" --help | grep -q -- "--scpi \[PORT\]\] \[--scpi-listen ADDRESS\]" || fail "usage without --scpi"

# The first instance under the strictest umask a desktop has.
(umask 077; exec "$KD71" --headless) >"$work/first.out" 2>&1 &
first=$!
# Wait until the first instance holds the lock. Watching /proc/locks takes
# no lock: a probe that took it for a moment could make the first instance
# believe another one runs.
for _ in $(seq 200); do
  awk -v pid="$first" '$2 == "FLOCK" && $5 == pid { found = 1 } END { exit !found }' /proc/locks \
    && break
  sleep 0.05
done

refused() {  # refused WHO COMMAND...: a second instance is turned away
  local who=$1; shift
  local start elapsed_ms out rc
  start=$(date +%s%N)
  # An instance that is let in runs on: the bound ends it.
  out=$(timeout -s KILL 8 "$@"); rc=$?
  elapsed_ms=$(( ($(date +%s%N) - start) / 1000000 ))
  [ $rc -eq 1 ] || fail "$who: exit $rc"
  [ "$out" = $'Program Already Running...\nMultiple Executions are Disallowed.' ] \
    || fail "$who printed '$out'"
  [ $elapsed_ms -ge 1900 ] || fail "$who left after $elapsed_ms ms"
  kill -0 $first 2>/dev/null || fail "first instance did not survive $who"
}

refused "second instance" "$KD71" --headless
if [ "$(id -u)" -eq 0 ] && command -v setpriv >/dev/null; then
  chmod 1777 "$work"  # a folder every user may use, as /run/lock is
  refused "another user's instance" \
    setpriv --reuid=65534 --regid=65534 --clear-groups "$KD71" --headless
else
  echo "skipped: another user's instance (needs root and setpriv)"
fi

kill -TERM $first
wait $first; rc=$?
[ $rc -eq 0 ] || fail "SIGTERM exit $rc: $(cat "$work/first.out")"
echo "program smoke test passed"
