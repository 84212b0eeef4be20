#!/usr/bin/env bash
# Set-up commands of the project.
#   scripts/kd71.sh run    install what is missing, build, start kd71 on the simulated board
#   scripts/kd71.sh test   install what is missing, build both configurations, run every test
set -euo pipefail
cd "$(dirname "$0")/.."

PACKAGES=(build-essential cmake pkg-config libgtest-dev libgmock-dev libbenchmark-dev
          qt6-base-dev qt6-svg-dev qt6-charts-dev libxcb1-dev libftdi1-dev libusb-1.0-0-dev locales)
# A locale that writes decimal commas: the tests check that files and figures
# keep the decimal point under it.
COMMA_LOCALE=de_DE.UTF-8
JOBS=2

as_root() {
  if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

# The packaging stage's tools: dpkg-shlibdeps for the dependencies, lintian,
# and Debian's own python3, for which the package lays out its Python files.
PACKAGES+=(dpkg-dev lintian man-db python3)

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

# Generates the comma locale once; later runs find it and do nothing.
ensure_comma_locale() {
  locale -a 2>/dev/null | grep -qix "${COMMA_LOCALE%%.*}\.utf-\?8" && return 0
  echo "Generating the $COMMA_LOCALE locale"
  local entry="$COMMA_LOCALE UTF-8"
  if grep -q "^# *$entry" /etc/locale.gen 2>/dev/null; then
    as_root sed -i "s/^# *$entry/$entry/" /etc/locale.gen
  elif ! grep -q "^$entry" /etc/locale.gen 2>/dev/null; then
    echo "$entry" | as_root tee -a /etc/locale.gen >/dev/null
  fi
  as_root locale-gen >/dev/null
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
    ensure_comma_locale
    package_stage
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
