#!/usr/bin/env bash
# Sets up the machine, builds Tavrel and its tests, and runs every test under
# Wine (and Xvfb when there is no display).
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${TAVREL_BUILD_DIR:-$root/build}

bash "$root/scripts/build.sh"
. "$root/scripts/wine-env.sh"

wine_env_start "$build"
ctest --test-dir "$build" --output-on-failure -j"$(nproc)" "$@"
