#!/usr/bin/env bash
# kd71 --simulate on a real X server (Xvfb, Qt's xcb platform), driven with
# the keyboard as a user would, through XTEST: the board connects behind the
# "Restore Error" popup of a first start, which Return dismisses; the main
# window is 1280 x 800; F1 opens the About box and Ctrl+E the eye scan window,
# where a 2-D scan runs to its end, and Escape closes it; an Init's crosses
# show on the scope's dark plot area (in the screen's pixels); Ctrl+Q
# quits with exit 0 and the settings saved. Skipped (77) without Xvfb or
# xdotool.
# Usage: x11_smoke.sh PATH_TO_KD71
set -u
KD71=$(readlink -f "$1")
command -v Xvfb >/dev/null && command -v xdotool >/dev/null && command -v xwininfo >/dev/null \
  || { echo "Xvfb, xdotool or xwininfo not installed"; exit 77; }
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../support/smoke_lib.sh"

# An X server on a display number no other server holds, waited for until
# it answers; stopped with SIGTERM at the end, so that it takes its lock and
# socket away (a killed one leaves them to the next).
n=$((100 + $$ % 400))
while [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ]; do n=$((n + 1)); done
mkdir "$work/fb"
Xvfb ":$n" -screen 0 1920x1080x24 -nolisten tcp -fbdir "$work/fb" >/dev/null 2>"$work/xvfb.err" &
xvfb=$!
stop_x() { kill -TERM "$xvfb" 2>/dev/null && wait "$xvfb" 2>/dev/null; }
trap 'kill -9 "${pids[@]}" 2>/dev/null; stop_x; cleanup' EXIT
for _ in $(seq 200); do xwininfo -root -display ":$n" >/dev/null 2>&1 && break; sleep 0.05; done
xwininfo -root -display ":$n" >/dev/null 2>&1 || fail "Xvfb did not start on :$n" "$work/xvfb.err"
export DISPLAY=":$n" XDG_RUNTIME_DIR="$work/runtime"
mkdir -m 700 "$work/runtime"
unset WAYLAND_DISPLAY QT_QPA_PLATFORM
# In the sanitizer build: the desktop libraries' own leaks are not ours.
export LSAN_OPTIONS="suppressions=$here/x11_leaks.supp${LSAN_OPTIONS:+:$LSAN_OPTIONS}"

# window_named PATTERN: the id of the one mapped window whose title matches
# PATTERN, waited for while kd71 runs (at most 15 s).
window_named() {
  local id
  for _ in $(seq 300); do
    id=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -1)
    [ -n "$id" ] && { echo "$id"; return 0; }
    kill -0 "$pid" 2>/dev/null || fail "kd71 ended early" "$work/out"
    sleep 0.05
  done
  fail "no window '$1'" "$work/out"
}
# No xdotool call may hang the test (--sync waits for what may never come).
XDOTOOL=$(command -v xdotool)
xdotool() { timeout 5 "$XDOTOOL" "$@"; }
# gone PATTERN: waits until no mapped window's title matches PATTERN.
gone() {
  for _ in $(seq 100); do
    xdotool search --onlyvisible --name "$1" >/dev/null 2>&1 || return 0
    sleep 0.05
  done
  fail "window '$1' still open" "$work/out"
}
# press WINDOW KEYS...: keys typed into WINDOW, which gets the focus first
# (there is no window manager to give it).
press() {
  local w=$1; shift
  xdotool windowfocus --sync "$w" key "$@" || fail "xdotool could not type $* into $w" "$work/out"
}

# scpi QUERY: the first field of the program's answer.
scpi() { exec 3<>"/dev/tcp/127.0.0.1/$port" && echo "$1" >&3 && IFS=$',\r' read -r -t 30 a _ <&3; echo "$a"; }

"$KD71" --simulate --scpi 0 >"$work/out" 2>&1 &
pid=$!
pids+=("$pid")

popup=$(window_named "^Restore Error") || { echo "$popup"; exit 1; }
wait_for "$work/out" "^kd71: SCPI server listening on " "$pid"
port=$(sed -n 's/^kd71: SCPI server listening on .*:\([0-9]*\)$/\1/p' "$work/out")
for _ in $(seq 100); do [ "$(scpi ':SYST:LINK?')" = 1 ] && break; sleep 0.1; done
[ "$(scpi ':SYST:LINK?')" = 1 ] || fail "no board connected behind the first start's popup" "$work/out"
press "$popup" Return
gone "^Restore Error"

main=$(window_named "^Error Detector - KOLVIDRA") || { echo "$main"; exit 1; }
size=$(xwininfo -id "$main" | awk '/Width:/ {w=$2} /Height:/ {h=$2} END {print w "x" h}')
[ "$size" = "1280x800" ] || fail "main window is $size" "$work/out"

press "$main" F1
about=$(window_named "^About") || { echo "$about"; exit 1; }
press "$about" Escape
gone "^About"

press "$main" ctrl+e
eye=$(window_named "^Eye Scan") || { echo "$eye"; exit 1; }
press "$eye" alt+c Down alt+s  # 2-D eye, adaptive as the window starts, Start
for _ in $(seq 150); do [ "$(scpi ':INP1:CAL:ESC:RES?')" = FINISHED ] && break; sleep 1; done
[ "$(scpi ':INP1:CAL:ESC:RES?')" = FINISHED ] || fail "the 2-D scan did not end" "$work/out"
press "$eye" Escape
gone "^Eye Scan"

# "Debug" (the menu bar's first item), the debug panel's "Scope" button (the
# first of its right-hand column), and an Init.
xdotool mousemove --window "$main" 20 10 click 1
debug=$(window_named "^Debug$") || { echo "$debug"; exit 1; }
width=$(xwininfo -id "$debug" | awk '/Width:/ {print $2}')
xdotool mousemove --window "$debug" $((width - 337)) 55 click 1
scope=$(window_named "^Threshold Scope") || { echo "$scope"; exit 1; }
[ "$(scpi ':INP1:CAL:INIT;*OPC?')" = 1 ] || fail "no Init" "$work/out"
# In the server's frame buffer (XWD, 32-bit pixels): white crosses with dark on
# both sides, on plot areas dark for a quarter of the window at least.
eval "$(xdotool getwindowgeometry --shell "$scope")"
crosses() {
  python3 -c 'import struct, sys
fb = open(sys.argv[1], "rb").read()
top, line, colours = (struct.unpack(">I", fb[i:i + 4])[0] for i in (0, 48, 76))
x0, y0, w, h = map(int, sys.argv[2:])
def px(x, y): at = top + colours * 12 + y * line + x * 4; return fb[at:at + 3]
dark = lambda x, y: max(px(x, y)) < 0x40
area = [(x, y) for y in range(y0 + 3, y0 + h - 3) for x in range(x0 + 3, x0 + w - 3)]
n = sum(min(px(x, y)) > 0xE0 and (dark(x - 3, y) and dark(x + 3, y) or dark(x, y - 3) and dark(x, y + 3)) for x, y in area)
print(n if sum(dark(x, y) for x, y in area) * 4 > len(area) else 0)' "$work/fb/Xvfb_screen0" $X $Y $WIDTH $HEIGHT
}
for _ in $(seq 50); do [ "$(crosses)" -ge 20 ] && break; sleep 0.1; done
[ "$(crosses)" -ge 20 ] || fail "the scope's crosses are not seen: $(crosses) pixels" "$work/out"

press "$main" ctrl+q
for _ in $(seq 200); do kill -0 "$pid" 2>/dev/null || break; sleep 0.05; done
kill -0 "$pid" 2>/dev/null && fail "Ctrl+Q did not quit" "$work/out"
wait "$pid"; rc=$?
[ $rc -eq 0 ] || fail "exit $rc" "$work/out"
grep -q "^data_select_ch1 " settings.cfg || fail "no settings saved" "$work/out"
grep -q "cannot open the display" "$work/out" && fail "ran headless" "$work/out"
echo "X11 smoke test passed"
