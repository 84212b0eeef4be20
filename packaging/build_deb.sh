#!/usr/bin/env bash
# Builds the Debian package kd71_<version>_<arch>.deb: a Release build for
# the prefix /usr with Debian's hardening flags, without the tests and the
# benchmarks, then CPack. Prints the package's path.
#   packaging/build_deb.sh [BUILD_DIR]      (default: build-release)
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${1:-build-release}

# The build stamp of --version and the manual page's date are the last
# commit's, so that the same source makes the same package.
if [ -z "${SOURCE_DATE_EPOCH:-}" ] && git rev-parse --git-dir >/dev/null 2>&1; then
  SOURCE_DATE_EPOCH=$(git log -1 --format=%ct)
  export SOURCE_DATE_EPOCH
fi

# Debian's flags, with every hardening feature. No -g: CPack strips the
# binaries anyway. No -Wdate-time: the build stamp is __DATE__ and __TIME__,
# which SOURCE_DATE_EPOCH makes reproducible. -ffile-prefix-map keeps the
# source folder's path out of the binaries.
export DEB_BUILD_MAINT_OPTIONS="hardening=+all"
export DEB_CFLAGS_MAINT_STRIP="-g" DEB_CXXFLAGS_MAINT_STRIP="-g" DEB_CPPFLAGS_MAINT_STRIP="-Wdate-time"
cppflags=$(dpkg-buildflags --get CPPFLAGS)
cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
  -DKD71_BUILD_TESTS=OFF -DKD71_BUILD_BENCHMARKS=OFF -DKD71_SANITIZE=OFF \
  -DCMAKE_C_FLAGS="$(dpkg-buildflags --get CFLAGS) $cppflags" \
  -DCMAKE_CXX_FLAGS="$(dpkg-buildflags --get CXXFLAGS) $cppflags" \
  -DCMAKE_EXE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)" \
  -DCMAKE_SHARED_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)" >/dev/null
cmake --build "$dir" -j2
rm -f "$dir"/kd71_*.deb  # one package in the folder: this build's
(cd "$dir" && cpack -G DEB >cpack.log) || { cat "$dir/cpack.log" >&2; exit 1; }
ls "$dir"/kd71_*.deb
