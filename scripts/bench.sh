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
# Figures, the pipeline's CSV and its interval series go to build/bench-out.
out=$build/bench-out
mkdir -p "$out"
cd "$out"
echo "== pipeline_bench"
wine "$build/bench/pipeline_bench.exe" --breakdown </dev/null | tr -d '\r'

# Measured intervals over time at 1000 and 8000 Hz.
for hz in 1000 8000; do
  [ -f "pipeline_${hz}hz.dat" ] || continue
  gnuplot -e "set terminal png size 1000,500; set output 'pipeline_${hz}hz.png';
    set title 'Measured intervals, ${hz} Hz synthetic mouse (true interval $(awk "BEGIN{print 1000/$hz}") ms)';
    set xlabel 'seconds since the first report'; set ylabel 'interval (ms)'; set key off;
    plot 'pipeline_${hz}hz.dat' using 1:2 with dots"
  echo "plot: $out/pipeline_${hz}hz.png"
done
echo "csv: $out/pipeline_bench.csv"

echo "== input path: reference reader vs Tavrel.exe"
bash "$root/bench/input_path_bench.sh" "$build"
