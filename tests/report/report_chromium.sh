#!/usr/bin/env bash
# The report of a timed test on the simulated board, with a noisy spell on
# channel 1 and the board unplugged for a second, as Debian's Chromium
# renders it headless: the rendered page holds both verdicts (failed: the
# link was lost), the figures of the console's summary, and both charts
# with their marks; its screenshot is kept for the README.
# Usage: report_chromium.sh PATH_TO_KD71 ARTIFACT_DIR
# Skipped (77) without chromium.
set -u
KD71=$1
ARTIFACTS=$2
source "$(dirname "$0")/../support/smoke_lib.sh"
command -v chromium >/dev/null || { echo "chromium not installed"; exit 77; }

cat >scenario.txt <<'SCENARIO'
at 5 ch1.noise_mv 14
at 8 ch1.noise_mv 4
at 10 unplug for 1
SCENARIO
timeout 60 "$KD71" --simulate --headless --sim-scenario scenario.txt --timed-test 14 \
  --target-ber 1e-9 --report report.html >"$work/out" 2>&1
rc=$?
[ $rc -eq 3 ] || fail "exit $rc, not 3 (a run that lost its link does not pass)" "$work/out"

browse() {
  timeout 60 chromium --headless=new --no-sandbox --disable-gpu --hide-scrollbars \
    --user-data-dir="$work/profile" --window-size=1000,2000 "$@" "file://$PWD/report.html"
}
browse --dump-dom >dom.html 2>"$work/chromium" || fail "chromium --dump-dom" "$work/chromium"
browse --screenshot="$PWD/report.png" >/dev/null 2>>"$work/chromium" || fail "chromium --screenshot" "$work/chromium"

has() { grep -qF -- "$1" dom.html || fail "the page has no '$1'" dom.html; }
has 'Result: <span class="verdict FAIL">'
[ "$(grep -oF 'the link was lost 1 time during the run' dom.html | wc -l)" -eq 2 ] \
  || fail "not both channels failed for the lost link" dom.html
# The figures the console printed are the page's.
for ch in 1 2; do
  line=$(grep "^CH$ch timed test: " "$work/out")
  [[ "$line" =~ errors\ ([0-9]+)\ bits ]] || fail "no summary of CH$ch" "$work/out"
  has "<td class=\"num\">${BASH_REMATCH[1]}</td>"
  # Its chart: the link's loss marked, in its own svg.
  chart=$(sed -n "/<title id=\"ratio$ch-t\">/,/<\/svg>/p" dom.html)
  grep -q 'class="link"' <<<"$chart" || fail "CH$ch's chart has no link-loss mark" dom.html
  grep -q 'class="bound"' <<<"$chart" || fail "CH$ch's chart has no error-free sample" dom.html
done
# The noisy spell: samples with errors in channel 1's chart.
sed -n '/<title id="ratio1-t">/,/<\/svg>/p' dom.html | grep -q 'class="err"' \
  || fail "CH1's chart shows no errors of the spell" dom.html

# The screenshot: a PNG of the window's size with a page drawn on it.
python3 - report.png <<'PY' || fail "the screenshot" "$work/chromium"
import struct, sys
data = open(sys.argv[1], "rb").read()
assert data[:8] == b"\x89PNG\r\n\x1a\n", "not a PNG"
width, height = struct.unpack(">II", data[16:24])
assert (width, height) == (1000, 2000), (width, height)
assert len(data) > 40000, f"{len(data)} bytes: a blank page"
PY
mkdir -p "$ARTIFACTS" && cp report.png "$ARTIFACTS/test_report.png"
echo "report in chromium test passed"
