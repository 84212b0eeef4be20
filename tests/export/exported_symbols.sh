#!/usr/bin/env bash
# libkd71.so exports the fourteen automation functions and no other symbol,
# carries the versioned SONAME, and needs no Qt.
set -euo pipefail
lib=$1

expected="DataSel DataThreshold GetBitRate GetErrorCount GetErrorRatio GetFastErrorCount
GetOnes GetSyncStatus InputClock ManualMode ReSync SampingDelay usb_close usb_init"
expected=$(tr ' ' '\n' <<<"$expected" | sort)

# Every defined dynamic symbol, undecorated (no symbol versions).
found=$(nm -D --defined-only "$lib" | awk '{print $NF}' | sort)
if [ "$found" != "$expected" ]; then
  echo "libkd71.so exports:"
  diff <(echo "$expected") <(echo "$found") | sed -n 's/^> /  extra: /p; s/^< /  missing: /p'
  exit 1
fi
# Functions, all of them.
if nm -D --defined-only "$lib" | awk '{print $2}' | grep -qv '^T$'; then
  echo "libkd71.so exports symbols that are not functions:"
  nm -D --defined-only "$lib" | grep -v ' T '
  exit 1
fi

soname=$(readelf -d "$lib" | sed -n 's/.*(SONAME).*\[\(.*\)\]/\1/p')
if [ "$soname" != "libkd71.so.1" ]; then
  echo "SONAME is '$soname', not libkd71.so.1"
  exit 1
fi
if readelf -d "$lib" | grep NEEDED | grep -qi qt; then
  echo "libkd71.so needs Qt:"
  readelf -d "$lib" | grep NEEDED
  exit 1
fi
echo "libkd71.so ($soname) exports the fourteen functions alone"
