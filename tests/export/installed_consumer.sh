#!/usr/bin/env bash
# The installed library as another program uses it, on the simulated board:
# cmake --install under DESTDIR into a temporary folder, then a C program
# built with the installed kd71.h and kd71.pc, a CMake project finding the
# package, and the installed Python package finding the installed library.
#   installed_consumer.sh BUILD_DIR SOURCE_DIR PYTHON [compiler flags...]
set -euo pipefail
build_dir=$1 source_dir=$2 python=$3
shift 3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
DESTDIR="$work/stage" cmake --install "$build_dir" --prefix /opt/kd71 >"$work/install.log"
prefix="$work/stage/opt/kd71"
export PKG_CONFIG_PATH=$(dirname "$(find "$prefix" -name kd71.pc)")
libdir=$(realpath "$(pkg-config --variable=libdir kd71)")
unset KD71_LIBRARY KD71_SIM_SCENARIO

cc -std=c99 -Wall -Wextra -Werror "$@" "$source_dir/tests/export/consumer/consumer.c" \
  $(pkg-config --cflags --libs kd71) -o "$work/consumer"
LD_LIBRARY_PATH=$libdir "$work/consumer"

cmake -S "$source_dir/tests/export/consumer" -B "$work/cmake" -DCMAKE_PREFIX_PATH="$prefix" \
  -DCMAKE_C_FLAGS="$*" -DCMAKE_EXE_LINKER_FLAGS="$*" >"$work/cmake.log"
cmake --build "$work/cmake" >>"$work/cmake.log"
"$work/cmake/consumer"  # without LD_LIBRARY_PATH: the imported target's run path

PYTHONPATH=$(dirname "$(dirname "$(find "$prefix" -path '*/kd71/__init__.py')")") "$python" -c '
import kd71, os, sys
with kd71.Instrument() as bert:
    assert bert.bit_rate(2) == 28000
    sys.exit(0 if os.path.realpath(bert._library._name).startswith(sys.argv[1]) else 1)' "$libdir"
