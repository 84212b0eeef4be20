#!/usr/bin/env bash
# Runs the fuzz targets of a clang build (-DKD71_FUZZ=ON), one after the
# other, each as one process with one job (the fuzzer's default; -jobs or
# -workers would fork more), over their committed seed corpora.
#   scripts/fuzz.sh BUILD_DIR TOTAL_SECONDS        share the time among the targets
#   scripts/fuzz.sh BUILD_DIR TOTAL_SECONDS NAME   only NAME (e.g. settings_reader_fuzz)
# New inputs gather in BUILD_DIR/fuzz-corpus/NAME (kept between runs, never
# in the repository); a finding is written to BUILD_DIR/fuzz-findings/ and
# makes the script fail. Each target's executions are printed at its end.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:?usage: $0 BUILD_DIR TOTAL_SECONDS [NAME]}
total=${2:?usage: $0 BUILD_DIR TOTAL_SECONDS [NAME]}
only=${3:-}

targets=()
for exe in "$build"/fuzz/*_fuzz; do
  [ -x "$exe" ] || continue
  name=$(basename "$exe")
  [ -z "$only" ] || [ "$name" = "$only" ] || continue
  targets+=("$name")
done
[ ${#targets[@]} -gt 0 ] || { echo "no fuzz targets in $build/fuzz" >&2; exit 2; }
each=$(( total / ${#targets[@]} ))
[ "$each" -ge 1 ] || each=1

mkdir -p "$build/fuzz-findings"
failed=0
for name in "${targets[@]}"; do
  seeds=fuzz/corpus/${name%_fuzz}
  [ -d "$seeds" ] || { echo "$name: no seed corpus $seeds" >&2; exit 2; }
  work=$build/fuzz-corpus/$name
  log=$build/fuzz-findings/$name.log
  mkdir -p "$work"
  # -close_fd_mask=3: the program's console lines and the simulated board's
  # log go nowhere; the fuzzer's and the sanitizers' reports stay.
  if "$build/fuzz/$name" "$work" "$seeds" -max_total_time="$each" -timeout=10 \
      -close_fd_mask=3 -print_final_stats=1 \
      -artifact_prefix="$build/fuzz-findings/$name-" >"$log" 2>&1; then
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
    echo "$name: ${runs:-?} executions in ${each} s, no finding"
  else
    echo "$name: FINDING (see $log)"
    grep -E "^(SUMMARY|==[0-9]+==ERROR)|fuzz finding|Test unit written" "$log" || tail -20 "$log"
    failed=1
  fi
done
exit $failed
