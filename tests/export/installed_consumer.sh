#!/usr/bin/env bash
# The installed library as another program uses it. cmake --install puts the
# build under DESTDIR in a temporary folder; then, on the simulated board:
# a C program built with the installed header and kd71.pc, the same built as
# C++, a CMake project that finds the package, and the installed Python
# package finding the installed library by itself.
#   installed_consumer.sh BUILD_DIR SOURCE_DIR [compiler flags...]
set -euo pipefail
build_dir=$1
source_dir=$2
shift 2
flags=("$@")

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
DESTDIR="$work/stage" cmake --install "$build_dir" --prefix /opt/kd71 >"$work/install.log"
prefix="$work/stage/opt/kd71"
pc=$(find "$prefix" -name kd71.pc)
export PKG_CONFIG_PATH=$(dirname "$pc")
libdir=$(pkg-config --variable=libdir kd71)
export KD71_BRIDGE=sim
unset KD71_LIBRARY KD71_SIM_SCENARIO

cc -std=c99 -Wall -Wextra -Werror "${flags[@]}" "$source_dir/tests/export/consumer/consumer.c" \
  $(pkg-config --cflags --libs kd71) -o "$work/consumer_c"
LD_LIBRARY_PATH=$libdir "$work/consumer_c"

c++ -x c++ -std=c++17 -Wall -Wextra -Werror "${flags[@]}" \
  "$source_dir/tests/export/consumer/consumer.c" $(pkg-config --cflags --libs kd71) \
  -o "$work/consumer_cxx"
LD_LIBRARY_PATH=$libdir "$work/consumer_cxx"

cmake -S "$source_dir/tests/export/consumer" -B "$work/cmake" -DCMAKE_PREFIX_PATH="$prefix" \
  -DCMAKE_C_FLAGS="${flags[*]}" -DCMAKE_EXE_LINKER_FLAGS="${flags[*]}" >"$work/cmake.log"
cmake --build "$work/cmake" >>"$work/cmake.log"
"$work/cmake/consumer"  # the imported target carries the library's path

python_dir=$(dirname "$(find "$prefix" -path '*/kd71/__init__.py')")
PYTHONPATH=$(dirname "$python_dir") PYTHONDONTWRITEBYTECODE=1 python3 -c '
import kd71, os, sys
with kd71.Instrument() as bert:
    assert bert.bit_rate(2) == 28000
    loaded = bert._library._name
print("python: loaded", loaded)
sys.exit(0 if os.path.realpath(loaded).startswith(sys.argv[1]) else 1)' "$(realpath "$libdir")"
