#!/usr/bin/env bash
# Runs the fault soak of a build for a given number of simulated hours.
#   scripts/soak.sh BUILD_DIR HOURS [SEED]
# Use the sanitizer build (build-asan) for the real run; a day takes about
# five minutes there. The last line gives the hours, ticks and faults. A
# routine a loss of the board cuts is checked too: its channel's values
# as before it, the loss and the return in the measurement log.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:?usage: $0 BUILD_DIR HOURS [SEED]}
hours=${2:?usage: $0 BUILD_DIR HOURS [SEED]}
seed=${3:-1}
cmake --build "$build" -j2 --target soak_tests
KD71_SOAK_HOURS=$hours KD71_SOAK_SEED=$seed "$build/tests/soak/soak_tests"
