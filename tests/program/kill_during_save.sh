#!/usr/bin/env bash
# A program killed while it saves: kd71 --simulate --headless is sent SIGTERM
# (which saves the settings and quits) and then SIGKILL, after 100 delays
# spread over the save. After each kill settings.cfg must be the old file or
# the new one, whole; the next start and quit must then save the new one and
# leave no temporary file in the folder.
# Usage: kill_during_save.sh PATH_TO_KD71 writable|readonly
#   writable  the save goes through a temporary file renamed over the old one
#   readonly  the folder takes no new file: the file is rewritten in place
#             (as root the program then runs as nobody, for whom the folder
#             is read-only)
set -u
KD71=$1
MODE=$2
ROUNDS=${KD71_KILL_ROUNDS:-100}
source "$(dirname "$0")/../support/smoke_lib.sh"
run=$work/run
as=()
trap 'chmod 755 "$run" 2>/dev/null; cleanup' EXIT  # a read-only folder is emptied too

# An old file as an older version or a hand edit leaves it: the values in
# other forms, and a line after them, so that it is longer than what the
# program writes and a rewrite in place lays the new content over part of it.
cat >"$work/old" <<'EOF'
VORN_KD71_2CH Configuration Data
Ch1_SamplingDelay 1.25
Ch2_SamplingDelay 0.5
Ch1_Threshold 12.5
Ch2_Threshold -3.0
data_select_ch1 3
data_select_ch2 8
ring_in_clk_ch1 1
ring_in_clk_ch2 2
ringslide_9240phs_ch1 0
ringslide_9240phs_ch2 0
ringslide_9372phs_ch1 0
ringslide_9372phs_ch2 0
manual_mode_ch1 1
manual_mode_ch2 0
# kept from an older save, longer than what the program writes today
EOF
# No board is plugged in, so that the program is in its event loop at once,
# with nothing to push; the board's log shows the event at 0 s when the
# program has read the settings and made its first bridge call, with the
# stop signals in place.
printf 'devices no_board\nat 0 ch1.noise_mv 4.0\n' >"$work/scenario.txt"

if [ "$MODE" = readonly ]; then
  if [ "$(id -u)" -eq 0 ]; then
    command -v setpriv >/dev/null || { echo "skipped: a read-only folder as root needs setpriv"; exit 77; }
    as=(setpriv --reuid=65534 --regid=65534 --clear-groups)
    "${as[@]}" test -x "$KD71" || { echo "skipped: nobody may not run $KD71"; exit 77; }
    chmod 755 "$work"
    chmod 1777 "$KD71_LOCK_DIR"
    cp "$work/old" "$run/settings.cfg"
    chown 65534:65534 "$run/settings.cfg"
  else
    cp "$work/old" "$run/settings.cfg"
  fi
  chmod 644 "$run/settings.cfg" "$work/scenario.txt"
  chmod 555 "$run"
fi

exec {never}<> <(:)  # nothing ever arrives: `read -t` on it waits without a process
pause() { read -r -t "$1" -u "$never" _ || true; }

# start: runs the program in $run until it is ready for a stop signal; its
# pid is in $pid.
start() {
  : >"$work/err"
  "${as[@]}" "$KD71" --simulate --headless --sim-scenario "$work/scenario.txt" \
    >/dev/null 2>"$work/err" &
  pid=$!
  pids+=("$pid")
  for _ in $(seq 1500); do
    grep -q "^simulated board: 0.000 s: ch1.noise_mv 4.0" "$work/err" && return 0
    kill -0 "$pid" 2>/dev/null || fail "kd71 ended early" "$work/err"
    pause 0.002
  done
  fail "kd71 did not start" "$work/err"
}

# quit: SIGTERM and the exit, which saves.
quit() {
  kill -TERM "$pid"
  { wait "$pid"; } 2>/dev/null; local rc=$?
  [ $rc -eq 0 ] || fail "SIGTERM: exit $rc" "$work/err"
}

put_old() { cat "$work/old" >"$run/settings.cfg"; }  # into the file: the folder may be read-only

# The new content: what a quit saves after reading the old file.
put_old
start
quit
cp "$run/settings.cfg" "$work/new"
cmp -s "$work/new" "$work/old" && fail "the program saved the old file unchanged"
grep -q "^Ch1_Threshold 12.500000$" "$work/new" || fail "unexpected new content" "$work/new"
# A rewrite in place killed between its write and its cut: the new content
# and a line feed over the old, the old's tail after them; a reader stops at
# the last value and takes the new settings.
{ cat "$work/new"; printf '\n'; tail -c +$(($(wc -c <"$work/new") + 2)) "$work/old"; } >"$work/laid"

olds=0 news=0 laids=0
for round in $(seq 0 $((ROUNDS - 1))); do
  put_old
  start
  kill -TERM "$pid"
  # 0 to 25 ms after SIGTERM: before, during and after the save.
  pause "$(printf '0.%05d' $((round * 2500 / ROUNDS)))"
  kill -KILL "$pid" 2>/dev/null
  { wait "$pid"; } 2>/dev/null; rc=$?
  [ $rc -eq 0 ] || [ $rc -eq 137 ] || fail "round $round: exit $rc" "$work/err"

  if cmp -s "$run/settings.cfg" "$work/old"; then
    olds=$((olds + 1))
  elif cmp -s "$run/settings.cfg" "$work/new"; then
    news=$((news + 1))
  elif [ "$MODE" = readonly ] && cmp -s "$run/settings.cfg" "$work/laid"; then
    laids=$((laids + 1))
  else
    fail "round $round: settings.cfg is neither the old nor the new file" "$run/settings.cfg"
  fi

  start
  quit
  cmp -s "$run/settings.cfg" "$work/new" || fail "round $round: the next save is not the new file" \
    "$run/settings.cfg"
  left=$(ls -A "$run")
  [ "$left" = settings.cfg ] || fail "round $round: files left in the folder: $left"
done
echo "kill during save ($MODE): $ROUNDS kills; old file $olds, new file $news, laid in place $laids"
