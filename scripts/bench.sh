#!/usr/bin/env bash
# Sets up the machine, builds Tavrel and its benchmarks, and runs every
# benchmark under Wine (and Xvfb when there is no display), printing figures.
# Benchmarks never pass or fail. Arguments are ignored.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${TAVREL_BUILD_DIR:-$root/build}

bash "$root/scripts/setup.sh"
. "$root/scripts/wine-env.sh"

cmake -S "$root" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-i686.cmake" >/dev/null
cmake --build "$build" -j"$(nproc)"

wine_env_start "$build"
for exe in "$build"/bench/*_bench.exe; do
  echo "== $(basename "$exe")"
  wine "$exe" </dev/null
done
