#!/usr/bin/env bash
# The I2C trace of a run on the simulated board, read by an independent
# decoder (sigrok's i2c protocol decoder): every transaction it finds is
# well formed, goes to one of the board's four chips, and the bytes are the
# ones the program meant (the DACs' mid-scale write, the expanders'
# register pointers). A DAC that stops acknowledging for a while must show
# as a NACKed address and its unanswered bytes, never as a torn frame.
# Skipped (77) without sigrok-cli.
set -u
KD71=$1
command -v sigrok-cli >/dev/null || { echo "sigrok-cli not installed"; exit 77; }
. "$(dirname "$0")/../support/smoke_lib.sh"

# A replug while DAC 0x61 refuses (its push is incomplete), then one more
# with the DAC answering again (its push is whole).
cat >scenario.txt <<'EOF'
at 1.0 nack 0x61 for 1.0
at 1.0 unplug for 0.5
at 3.0 unplug for 0.5
EOF
"$KD71" --simulate --headless --sim-scenario scenario.txt --i2c-trace trace.vcd >out.txt 2>&1 &
pid=$!
pids+=("$pid")
wait_for out.txt "board settings incomplete" "$pid"
wait_for out.txt "^simulated board: 3\.[0-9]* s: opened by the program" "$pid"
# The status line after the last open: its push is done.
for _ in $(seq 300); do
  [ "$(grep -c '^USB CONNECTED' out.txt)" -ge 3 ] && break
  sleep 0.05
done
kill -TERM "$pid"
wait "$pid" || fail "kd71 exited with $?" out.txt

sigrok-cli -i trace.vcd -I vcd -P i2c:scl=SCL:sda=SDA \
  -A i2c=start:repeat-start:stop:ack:nack:address-read:address-write:data-read:data-write \
  >decoded.txt 2>decoder.err || fail "sigrok-cli failed" decoder.err
[ -s decoder.err ] && fail "the decoder complained" decoder.err

# One transaction a line: "S W57 A F8 A Sr R57 A =00 N P".
sed -e 's/^i2c-1: //' -e 's/^Start repeat$/Sr/' -e 's/^Start$/S/' -e 's/^Stop$/P/' \
    -e 's/^ACK$/A/' -e 's/^NACK$/N/' -e 's/^Address write: /W/' -e 's/^Address read: /R/' \
    -e 's/^Data write: //' -e 's/^Data read: /=/' decoded.txt |
  grep -vx -e Write -e Read |
  tr '\n' ' ' | sed 's/ P /&\n/g; s/^ *//' | sed 's/ *$//' | grep -v '^$' >frames.txt

frames=$(wc -l <frames.txt)
[ "$frames" -ge 20 ] || fail "only $frames transactions decoded" frames.txt

# Each frame: Start, an address of the board's chips with its acknowledge,
# then bytes each followed by A or N, an optional repeated start, and Stop.
# A refused address does not end the transaction: its bytes are clocked
# out unanswered before the Stop, as on a board whose chip is missing.
addr='[WR](56|57|60|61)'
byte='(=?[0-9A-F]{2}) [AN]'
frame="^S $addr (A( $byte)*( Sr $addr A( $byte)*)?|N( [0-9A-F]{2} N)*) P$"
bad=$(grep -Ev "$frame" frames.txt | head -5)
[ -z "$bad" ] || fail "malformed transactions: $bad" frames.txt

# Both DACs get the mid-scale fast write of the first push.
grep -q '^S W60 A 58 A 17 A FF A P$' frames.txt || fail "no mid-scale write to DAC 0x60" frames.txt
grep -q '^S W61 A 58 A 17 A FF A P$' frames.txt || fail "no mid-scale write to DAC 0x61" frames.txt
# The injected fault shows as a refused address of DAC 0x61, and the DAC is
# written whole again by the push after the replug.
grep -q '^S W61 N 58 N 17 N FF N P$' frames.txt || fail "the DAC's NACK is not on the bus" frames.txt
writes61=$(grep -c '^S W61 A 58 A 17 A FF A P$' frames.txt)
[ "$writes61" -ge 2 ] || fail "DAC 0x61 not written again after the replug ($writes61)" frames.txt
echo "PASS: $frames transactions decoded"
