#!/usr/bin/env bash
# Sets up the machine and builds Tavrel, its tests and benchmarks into the
# build folder (TAVREL_BUILD_DIR, by default build/ beside this folder).
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${TAVREL_BUILD_DIR:-$root/build}

bash "$root/scripts/setup.sh"
cmake -S "$root" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-i686.cmake" >/dev/null
cmake --build "$build" -j"$(nproc)"
