#!/usr/bin/env bash
# A sampling-delay auto search started from the command line of kd71
# --simulate --headless, and SIGTERM while it runs: the search ends at its
# next stop check, within about one move (0.26 s), and the program quits as
# the Quit button does, exit 0, with the settings saved (the delay where the
# search stopped). A channel that is not 1 or 2 is refused.
# Usage: calibration_smoke.sh PATH_TO_KD71
set -u
KD71=$1
source "$(dirname "$0")/../support/smoke_lib.sh"

"$KD71" --init 3 >/dev/null 2>"$work/err"; rc=$?
[ $rc -eq 2 ] || fail "--init 3: exit $rc" "$work/err"
grep -q "^kd71: --init needs a channel, 1 or 2$" "$work/err" || fail "--init 3: no reason" "$work/err"

# Channel 1 in manual mode, where its auto search is operable.
printf '%s\n' 'VORN_KD71_2CH Configuration Data' 'Ch1_SamplingDelay 1.000000' \
  'Ch2_SamplingDelay 1.000000' 'Ch1_Threshold 0.000000' 'Ch2_Threshold 0.000000' \
  'data_select_ch1 8' 'data_select_ch2 8' 'ring_in_clk_ch1 1' 'ring_in_clk_ch2 1' \
  'ringslide_9240phs_ch1 0' 'ringslide_9240phs_ch2 0' 'ringslide_9372phs_ch1 0' \
  'ringslide_9372phs_ch2 0' 'manual_mode_ch1 1' >settings.cfg
printf 'manual_mode_ch2 0' >>settings.cfg

"$KD71" --simulate --headless --auto-search 1 >"$work/out" 2>"$work/err" &
pid=$!
pids+=("$pid")
# A progress line comes once a second; the third is some ten moves in.
wait_for "$work/out" "^CH1 auto search: [0-9.]* V, move [0-9]*, about [0-9]* s left$" "$pid"
wait_for "$work/out" "^CH1 auto search: .*move [1-9][0-9]," "$pid"
terminate "$pid"
[ $rc -eq 0 ] || fail "SIGTERM during the search: exit $rc" "$work/err"
[ $elapsed_ms -le 1000 ] || fail "the program took $elapsed_ms ms to end" "$work/out"
! grep -q "centred" "$work/out" || fail "the search went on to its result" "$work/out"

last=$(grep -o "^CH1 auto search: [0-9.]* V" "$work/out" | tail -1 | grep -o "[0-9]\.[0-9]*")
saved=$(grep "^Ch1_SamplingDelay " settings.cfg | cut -d' ' -f2)
[ -n "$saved" ] || fail "no sampling delay saved" settings.cfg
grep -q "^manual_mode_ch1 1$" settings.cfg || fail "the settings were not saved" settings.cfg
# Saved where the search stopped: below the last delay shown, by the moves
# of at most the second since it was shown and the one under way.
awk -v s="$saved" -v l="$last" 'BEGIN { exit !(s <= l + 0.0005 && s > l - 0.25) }' \
  || fail "saved delay $saved, last shown $last" settings.cfg
echo "calibration smoke test passed"
