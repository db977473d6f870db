#!/usr/bin/env bash
# Sets up the machine and builds Tavrel, its tests and benchmarks into the
# build folder (TAVREL_BUILD_DIR, by default build/ beside this folder).
#   build.sh [TARGET...]   only these targets (for example Tavrel)
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${TAVREL_BUILD_DIR:-$root/build}

bash "$root/scripts/setup.sh"
# Configured once, for the build that is released; after that the build
# reconfigures itself when a CMakeLists.txt changes.
if ! grep -qx 'CMAKE_BUILD_TYPE:STRING=MinSizeRel' "$build/CMakeCache.txt" 2>/dev/null; then
  cmake -S "$root" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-i686.cmake" \
        -DCMAKE_BUILD_TYPE=MinSizeRel >/dev/null
fi
if [ $# -gt 0 ]; then
  cmake --build "$build" -j"$(nproc)" --target "$@"
else
  cmake --build "$build" -j"$(nproc)"
fi
