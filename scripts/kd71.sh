#!/usr/bin/env bash
# Set-up commands of the project.
#   scripts/kd71.sh run    install what is missing, build, start kd71 on the simulated board
#   scripts/kd71.sh test   install what is missing, build both configurations, run every test
set -euo pipefail
cd "$(dirname "$0")/.."

PACKAGES=(build-essential cmake pkg-config libgtest-dev libgmock-dev libbenchmark-dev
          qt6-base-dev qt6-svg-dev libxcb1-dev libftdi1-dev libusb-1.0-0-dev)
JOBS=2

install_missing() {
  local missing=()
  for p in "${PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing: ${missing[*]}"
  local sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}"
}

build() {  # build DIR [cmake options...]
  local dir=$1; shift
  cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=Debug "$@" >/dev/null
  cmake --build "$dir" -j"$JOBS"
}

case "${1:-}" in
  run)
    install_missing
    build build
    shift
    exec ./build/kd71 --simulate "$@"
    ;;
  test)
    install_missing
    build build
    (cd build && ctest -j"$JOBS" --output-on-failure)
    build build-asan -DKD71_SANITIZE=ON -DKD71_BUILD_BENCHMARKS=OFF
    (cd build-asan && ctest -j"$JOBS" --output-on-failure)
    ;;
  *)
    echo "usage: $0 run|test" >&2
    exit 2
    ;;
esac
