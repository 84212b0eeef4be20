#!/usr/bin/env bash
# Checks of the Debian package as a lab PC gets it: what it lists, its
# control data and maintainer scripts, lintian's verdict, and the files
# extracted into a temporary root (dpkg -x) at work there: the program, the
# Python example and a C program built with pkg-config and with CMake, each
# finding the library through the package's own layout, on the simulated
# board. Also: a DESTDIR installation of the same build holds the same files.
#   check_deb.sh DEB BUILD_DIR
# Ends with "packaging: N passed, N failed"; exits 1 when a check failed.
set -uo pipefail
deb=$(realpath "$1")
build_dir=$(realpath "$2")
source_dir=$(realpath "$(dirname "$0")/../..")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
root=$work/root
dpkg -x "$deb" "$root"

version=$(dpkg-deb -f "$deb" Version)
arch=$(dpkg-deb -f "$deb" Architecture)
multiarch=$(dpkg-architecture -qDEB_HOST_MULTIARCH)
libdir=usr/lib/$multiarch
dist_packages=usr/lib/python3/dist-packages
passed=0 failed=0

# check NAME COMMAND...: runs one check, its output shown when it fails.
check() {
  local name=$1 log=$work/check.log
  shift
  if "$@" >"$log" 2>&1; then
    passed=$((passed + 1))
    echo "packaging check passed: $name"
  else
    failed=$((failed + 1))
    echo "packaging check FAILED: $name"
    sed 's/^/    /' "$log"
  fi
}

expected_paths() {
  cat <<EOF
usr/bin/kd71
$libdir/libkd71.so.$version
$libdir/libkd71.so.1
$libdir/libkd71.so
usr/include/kd71.h
$libdir/pkgconfig/kd71.pc
$libdir/cmake/kd71/kd71Config.cmake
$libdir/cmake/kd71/kd71ConfigVersion.cmake
$libdir/cmake/kd71/kd71Targets.cmake
$dist_packages/kd71/__init__.py
$dist_packages/kd71/_installed.py
$dist_packages/kd71/errors.py
$dist_packages/kd71/instrument.py
$dist_packages/kd71/library.py
usr/lib/udev/rules.d/70-kd71.rules
usr/share/applications/kd71.desktop
usr/share/icons/hicolor/scalable/apps/kd71.svg
usr/share/man/man1/kd71.1.gz
usr/share/doc/kd71/README.md
usr/share/doc/kd71/copyright
usr/share/doc/kd71/changelog.gz
usr/share/doc/kd71/examples/log_error_ratio.py
usr/share/doc/kd71/examples/scenarios/healthy_board.txt
EOF
}

# The paths the package lists, without the leading "./" and folders.
listed_paths() {
  dpkg-deb --contents "$1" | awk '$1 !~ /^d/ { print $6 }' | sed 's|^\./||' | sort
}

lists_the_expected_files() {
  local listed missing=0
  listed=$(listed_paths "$deb")
  while read -r path; do
    grep -qxF "$path" <<<"$listed" || { echo "not in the package: $path"; missing=1; }
  done < <(expected_paths)
  grep -qF " ./$libdir/libkd71.so.1 -> libkd71.so.$version" <<<"$(dpkg-deb --contents "$deb")" ||
    { echo "libkd71.so.1 is not the SONAME link to libkd71.so.$version"; missing=1; }
  return $missing
}

control_data_is_sound() {
  local ok=0 depends
  [ "$(basename "$deb")" = "kd71_${version}_${arch}.deb" ] ||
    { echo "file name $(basename "$deb") is not kd71_${version}_${arch}.deb"; ok=1; }
  depends=$(dpkg-deb -f "$deb" Depends)
  for library in libqt6widgets6 libqt6charts6 libqt6svg6 libftdi1-2 libusb-1.0-0 libc6; do
    grep -qE "(^|, )$library( |,|$)" <<<"$depends" || { echo "Depends lacks $library: $depends"; ok=1; }
  done
  grep -qx "libkd71 1 kd71 (>= $version)" <<<"$(dpkg-deb -I "$deb" shlibs)" ||
    { echo "shlibs: $(dpkg-deb -I "$deb" shlibs)"; ok=1; }
  return $ok
}

# The symbols file names exactly the functions that the library exports.
symbols_file_matches_the_library() {
  diff <(dpkg-deb -I "$deb" symbols | sed -n 's/^ \([^@]*\)@Base .*/\1/p' | sort) \
    <(objdump -T "$root/$libdir/libkd71.so.$version" | awk '$2 == "g" && $4 != "*UND*" { print $NF }' | sort)
}

# The maintainer scripts with an udevadm that fails, as one does where no
# udev daemon runs (a container), and with no udevadm at all: they end with
# success either way, and call udevadm only where udev runs.
maintainer_scripts_tolerate_no_udev() {
  mkdir -p "$work/control" "$work/bin" && dpkg-deb -e "$deb" "$work/control" || return 1
  printf '#!/bin/sh\necho "udevadm $*" >>"%s"\nexit 1\n' "$work/udevadm.calls" >"$work/bin/udevadm"
  chmod +x "$work/bin/udevadm"
  for path in "$work/bin:$PATH" /nonexistent; do
    env PATH="$path" /bin/sh "$work/control/postinst" configure &&
      env PATH="$path" /bin/sh "$work/control/postrm" remove || return 1
  done
  if [ ! -S /run/udev/control ] && [ -s "$work/udevadm.calls" ]; then
    echo "udevadm called where no udev runs:"
    cat "$work/udevadm.calls"
    return 1
  fi
}

# Its warnings fail too (a manual page that groff warns about, a desktop
# entry naming no program of the package ...): none is left but the two
# tags that packaging/lintian-overrides explains.
lintian_reports_no_errors_or_warnings() {
  lintian --fail-on none --show-overrides "$deb" 2>&1 |
    grep -v "running with root privileges" >"$work/lintian.txt"
  local status=${PIPESTATUS[0]}
  cat "$work/lintian.txt"
  [ "$status" -eq 0 ] && ! grep -q '^[EW]: ' "$work/lintian.txt"
}

no_build_machine_paths() {
  local ok=0 elf dynamic
  if grep -rlaF -e "$source_dir" -e "$build_dir" "$root"; then
    echo "^ these files name the build machine's folders"
    ok=1
  fi
  while read -r elf; do
    dynamic=$(readelf -d "$elf")
    if grep -E "R(UN)?PATH" <<<"$dynamic" | grep -vq '\$ORIGIN'; then
      echo "$elf has a search path: $(grep -E 'R(UN)?PATH' <<<"$dynamic")"
      ok=1
    fi
  done < <(find "$root" -type f -exec sh -c 'head -c4 "$1" | grep -q ELF' sh {} \; -print)
  return $ok
}

extracted_program_runs() {
  local printed libraries
  # Every library found, and libkd71 (which the program links statically
  # today) only from the extracted tree.
  libraries=$(ldd "$root/usr/bin/kd71") || return 1
  grep -F "not found" <<<"$libraries" && return 1
  grep -F libkd71 <<<"$libraries" | grep -vF "$root" && return 1
  printed=$("$root/usr/bin/kd71" --version) || return 1
  echo "$printed"
  [[ $printed =~ ^V\ $version\ \(built\ [A-Z][a-z]{2}\ [\ 0-9][0-9]\ [0-9]{4}\ [0-9:]{8}\)$ ]] &&
    grep -q -- "--simulate" <<<"$("$root/usr/bin/kd71" --help)"
}

extracted_python_example_runs() {
  local csv=$work/ratios.csv
  (
    unset KD71_LIBRARY KD71_SIM_SCENARIO
    export KD71_BRIDGE=sim PYTHONDONTWRITEBYTECODE=1 PYTHONPATH=$root/$dist_packages
    cd "$work" &&
      "$python" "$root/usr/share/doc/kd71/examples/log_error_ratio.py" --seconds 1 \
        --pattern PRBS31 --output "$csv" &&
      "$python" -c 'import kd71, sys; print(kd71.find_library()._name)' >"$work/loaded"
  ) || return 1
  cat "$csv" "$work/loaded"
  [ "$(head -1 "$csv")" = "time_s,ch1_error_ratio,ch2_error_ratio" ] &&
    [ "$(wc -l <"$csv")" -ge 2 ] &&
    [ "$(realpath "$(cat "$work/loaded")")" = "$(realpath "$root/$libdir/libkd71.so.$version")" ]
}

extracted_c_program_links_and_runs() {
  local pc_libdir
  local -x PKG_CONFIG_PATH=$root/$libdir/pkgconfig
  pc_libdir=$(pkg-config --variable=libdir kd71) || return 1
  [ "$(realpath "$pc_libdir")" = "$(realpath "$root/$libdir")" ] ||
    { echo "kd71.pc names $pc_libdir"; return 1; }
  # shellcheck disable=SC2046
  cc -std=c99 -Wall -Wextra -Werror "$source_dir/tests/export/consumer/consumer.c" \
    $(pkg-config --cflags --libs kd71) -o "$work/consumer" || return 1
  LD_LIBRARY_PATH=$pc_libdir ldd "$work/consumer" | grep -F "libkd71.so.1 => $pc_libdir" &&
    env -u KD71_SIM_SCENARIO KD71_BRIDGE=sim LD_LIBRARY_PATH=$pc_libdir "$work/consumer"
}

extracted_cmake_package_is_found() {
  cmake -S "$source_dir/tests/export/consumer" -B "$work/cmake" -DCMAKE_PREFIX_PATH="$root/usr" &&
    cmake --build "$work/cmake" &&
    env -u KD71_SIM_SCENARIO KD71_BRIDGE=sim "$work/cmake/consumer"
}

# lintian checks the entry's program; the icon it names is the package's.
desktop_entry_names_the_icon() {
  local icon
  icon=$(sed -n 's/^Icon=//p' "$root/usr/share/applications/kd71.desktop")
  [ -f "$root/usr/share/icons/hicolor/scalable/apps/$icon.svg" ] ||
    { echo "Icon=$icon: no such icon in the hicolor theme"; return 1; }
}

destdir_install_matches_the_package() {
  DESTDIR=$work/destdir cmake --install "$build_dir" >/dev/null || return 1
  diff <(cd "$work/destdir" && find . ! -type d | sed 's|^\./||' | sort) <(listed_paths "$deb")
}

python=/usr/bin/python3  # Debian's interpreter, the one the package is laid out for
[ -x "$python" ] || python=python3

check "dpkg-deb --contents lists the installed files" lists_the_expected_files
check "control data: file name, computed dependencies, shlibs" control_data_is_sound
check "the symbols file lists the library's exported functions" symbols_file_matches_the_library
check "postinst and postrm without udev" maintainer_scripts_tolerate_no_udev
check "lintian reports no errors and no warnings" lintian_reports_no_errors_or_warnings
check "no build machine paths, no absolute run paths" no_build_machine_paths
check "the extracted kd71 --version" extracted_program_runs
check "the extracted Python example on the simulated board" extracted_python_example_runs
check "a C program built with pkg-config against the extracted tree" extracted_c_program_links_and_runs
check "a CMake project finding the extracted package" extracted_cmake_package_is_found
check "the desktop entry's icon is in the package" desktop_entry_names_the_icon
check "DESTDIR installation holds the package's files" destdir_install_matches_the_package

echo "lintian's tags (E error, W warning, O overridden on purpose):"
sed 's/^/    /' "$work/lintian.txt"
echo "packaging: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
