#!/usr/bin/env bash
# Set-up commands of the project.
#   scripts/kd71.sh run    install what is missing, build, start kd71 on the simulated board
#   scripts/kd71.sh test   install what is missing, build and check the Debian package,
#                          build both configurations, run every test,
#                          then build the fuzz targets with clang and fuzz for a minute
#   scripts/kd71.sh package  install what is missing, build the Debian package in build-release
#   scripts/kd71.sh long [SECONDS_PER_TARGET] [SOAK_HOURS] [SEED]
#                          the reliability suite run longer: each fuzz target for
#                          SECONDS_PER_TARGET (default 600), one at a time, and
#                          the fault soak for SOAK_HOURS simulated hours (default
#                          24) under the sanitizers
set -euo pipefail
cd "$(dirname "$0")/.."

PACKAGES=(build-essential cmake pkg-config libgtest-dev libgmock-dev libbenchmark-dev
          qt6-base-dev qt6-svg-dev qt6-charts-dev libxcb1-dev libftdi1-dev libusb-1.0-0-dev locales
          clang-14 libclang-rt-14-dev)
# Desktop locales the tests run under: one that writes decimal commas (files
# and figures keep the decimal point), and Turkish, whose toupper('i') is not
# 'I' (protocol words keep their letter case).
TEST_LOCALES=(de_DE.UTF-8 tr_TR.UTF-8)
JOBS=2
# The fuzz targets' clang build and its share of CI's time.
FUZZ_CC=clang-14
FUZZ_CXX=clang++-14
FUZZ_SECONDS=60

as_root() {
  if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

# The packaging stage's tools: dpkg-shlibdeps for the dependencies, lintian,
# and Debian's own python3, for which the package lays out its Python files.
PACKAGES+=(dpkg-dev lintian man-db python3)
# PyVISA with its pure-Python backend: the SCPI server's test opens it as a
# lab script does.
PACKAGES+=(python3-pyvisa python3-pyvisa-py)
# sigrok's I2C decoder reads the simulated board's trace as an outside tool would.
PACKAGES+=(sigrok-cli)
# A real X server for the window's process test, typed into through XTEST.
PACKAGES+=(xvfb xdotool x11-utils)
# The metrics page's data model and text (prometheus-cpp's core), and
# Prometheus itself with promtool: the monitoring test starts its own server
# on a free port with its own configuration and data folder, never the
# package's service.
PACKAGES+=(prometheus-cpp-dev prometheus)
# umockdev's test bed, in which libftdi1 and libusb reach emulated FTDI bridges
# through the kernel's USB interface (the preload library is in umockdev).
PACKAGES+=(libumockdev-dev umockdev)
# Debian's Chromium opens the test report headless, as a lab PC's browser
# would (about 100 MB to fetch on a fresh machine, a minute or two of CI).
PACKAGES+=(chromium)
# The eye scan's JSON report is written with nlohmann's JSON (header only).
PACKAGES+=(nlohmann-json3-dev)

install_missing() {
  local missing=()
  for p in "${PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing: ${missing[*]}"
  as_root apt-get update -qq
  as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}"
}

# Generates the test locales once; later runs find them and do nothing.
ensure_test_locales() {
  local loc entry missing=0
  for loc in "${TEST_LOCALES[@]}"; do
    locale -a 2>/dev/null | grep -qix "${loc%%.*}\.utf-\?8" && continue
    echo "Generating the $loc locale"
    entry="$loc UTF-8"
    if grep -q "^# *$entry" /etc/locale.gen 2>/dev/null; then
      as_root sed -i "s/^# *$entry/$entry/" /etc/locale.gen
    elif ! grep -q "^$entry" /etc/locale.gen 2>/dev/null; then
      echo "$entry" | as_root tee -a /etc/locale.gen >/dev/null
    fi
    missing=1
  done
  [ $missing -eq 0 ] || as_root locale-gen >/dev/null
}

# ---- The packaging stage: the Release build for /usr in build-release (kept
# between runs), its Debian package, and the checks of the package.
package_stage() {
  bash packaging/build_deb.sh build-release
  bash tests/packaging/check_deb.sh build-release/kd71_*.deb build-release
}

build() {  # build DIR [cmake options...]
  local dir=$1; shift
  cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=Debug "$@" >/dev/null
  cmake --build "$dir" -j"$JOBS"
}

# The fuzz targets only: libFuzzer's coverage, ASan and UBSan over the library.
build_fuzz_targets() {
  CC=$FUZZ_CC CXX=$FUZZ_CXX cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=Debug -DKD71_FUZZ=ON \
    -DKD71_BUILD_TESTS=OFF -DKD71_BUILD_BENCHMARKS=OFF >/dev/null
  cmake --build build-fuzz -j"$JOBS" --target kd71_fuzz_targets
}

case "${1:-}" in
  package)
    install_missing
    bash packaging/build_deb.sh build-release
    ;;
  run)
    install_missing
    build build
    shift
    exec ./build/kd71 --simulate "$@"
    ;;
  test)
    install_missing
    ensure_test_locales
    python3 scripts/check_layers.py
    package_stage
    build build
    (cd build && ctest -j"$JOBS" --output-on-failure)
    build build-asan -DKD71_SANITIZE=ON -DKD71_BUILD_BENCHMARKS=OFF
    (cd build-asan && ctest -j"$JOBS" --output-on-failure)
    build_fuzz_targets
    bash scripts/fuzz.sh build-fuzz "$FUZZ_SECONDS"
    ;;
  long)
    install_missing
    ensure_test_locales
    build_fuzz_targets
    targets=$(find build-fuzz/fuzz -maxdepth 1 -name '*_fuzz' -type f | wc -l)
    bash scripts/fuzz.sh build-fuzz $(( ${2:-600} * targets ))
    build build-asan -DKD71_SANITIZE=ON -DKD71_BUILD_BENCHMARKS=OFF
    bash scripts/soak.sh build-asan "${3:-24}" "${4:-1}"
    ;;
  *)
    echo "usage: $0 run|test|long|package" >&2
    exit 2
    ;;
esac
