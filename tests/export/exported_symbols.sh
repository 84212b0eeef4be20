#!/usr/bin/env bash
# libkd71.so exports the fourteen automation functions and no other symbol,
# carries its versioned SONAME and needs no Qt.
set -euo pipefail
lib=$1
expected=$(printf '%s\n' DataSel DataThreshold GetBitRate GetErrorCount GetErrorRatio \
  GetFastErrorCount GetOnes GetSyncStatus InputClock ManualMode ReSync SampingDelay \
  usb_close usb_init | sort)
found=$(nm -D --defined-only "$lib" | awk '$2 == "T" {print $3} $2 != "T" {print "not a function: " $0}' | sort)
if [ "$found" != "$expected" ]; then
  diff <(echo "$expected") <(echo "$found") | sed -n 's/^> /extra: /p; s/^< /missing: /p'
  exit 1
fi
readelf -d "$lib" | grep -q 'SONAME.*\[libkd71\.so\.1\]' || { echo "SONAME is not libkd71.so.1"; exit 1; }
if readelf -d "$lib" | grep NEEDED | grep -i qt; then exit 1; fi
echo "libkd71.so.1 exports the fourteen functions alone"
