#!/usr/bin/env bash
# Sets up the machine and builds Tavrel. (Running the program comes with the
# application itself; until then this only builds.)
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${TAVREL_BUILD_DIR:-$root/build}

bash "$root/scripts/setup.sh"
cmake -S "$root" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-i686.cmake" >/dev/null
cmake --build "$build" -j"$(nproc)"
echo "run: built the libraries in $build; the program itself is not there yet."
