# Shared set-up of the process tests, sourced by them: an empty work folder
# (the lock in work/lock, the program run in work/run), removed at the end
# with any copy of the program still running; fail and wait_for.

work=$(mktemp -d)
pids=()
cleanup() {
  local pid
  for pid in "${pids[@]}"; do kill -9 "$pid" 2>/dev/null; done
  rm -rf "$work"
}
trap cleanup EXIT
export KD71_LOCK_DIR=$work/lock
export XDG_CONFIG_HOME=$work/config  # the program's own settings
mkdir -p "$KD71_LOCK_DIR" "$work/run"
cd "$work/run" || exit 1

# fail MESSAGE [FILE]: the test fails, showing FILE (a program's output).
fail() {
  echo "FAIL: $1"
  [ -n "${2:-}" ] && { echo "--- $2:"; cat "$2"; }
  exit 1
}

# wait_for FILE PATTERN PID: until FILE holds a line matching PATTERN, while
# the program PID runs (at most 15 s).
wait_for() {
  for _ in $(seq 300); do
    grep -q "$2" "$1" 2>/dev/null && return 0
    kill -0 "$3" 2>/dev/null || fail "kd71 ended early" "$1"
    sleep 0.05
  done
  fail "no line '$2'" "$1"
}

# terminate PID: SIGTERM to the program PID, waited for; sets rc to its exit
# status and elapsed_ms to the time it took to end.
terminate() {
  local start
  start=$(date +%s%N)
  kill -TERM "$1"
  wait "$1"; rc=$?
  elapsed_ms=$(( ($(date +%s%N) - start) / 1000000 ))
}
