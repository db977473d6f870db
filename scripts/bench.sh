#!/usr/bin/env bash
# Sets up the machine, builds Tavrel and its benchmarks, and runs both under
# Wine (and Xvfb when there is no display), printing figures: the pipeline
# with a synthetic mouse, then the input path against the reference reader.
# Benchmarks never pass or fail. Arguments are ignored.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${TAVREL_BUILD_DIR:-$root/build}

bash "$root/scripts/build.sh"
. "$root/scripts/wine-env.sh"

wine_env_start "$build"
echo "== pipeline_bench"
wine "$build/bench/pipeline_bench.exe" --breakdown </dev/null | tr -d '\r'

echo "== input path: reference reader vs Tavrel.exe"
bash "$root/bench/input_path_bench.sh" "$build"
