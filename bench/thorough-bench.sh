#!/usr/bin/env bash
# Generates the benchmark sets of the thorough search and runs it on them.
#   bench/thorough-bench.sh [BUILD_DIR] [EVOLUTIONARY_RUNS]
set -euo pipefail
build=${1:-build}
runs=${2:-3}
dir=$(mktemp -d)
gen="$build/bench/varno-generate"
# Many changes per state: homoplastic data, where the evolutionary search
# stops short of the best length.
"$gen" --objects 50 --characters 80 --seed 11 --changes 8 -o "$dir/s50x80.txt"
"$gen" --objects 100 --characters 150 --seed 12 --changes 8 -o "$dir/s100x150.txt"
"$gen" --objects 255 --characters 300 --seed 1 --changes 8 -o "$dir/s255x300.txt"
"$gen" --objects 1000 --characters 500 --seed 14 --changes 8 -o "$dir/s1000x500.txt"
"$build/bench/bench_thorough" --evolutionary "$runs" --seconds 120 \
    "$dir/s50x80.txt" "$dir/s100x150.txt" "$dir/s255x300.txt" "$dir/s1000x500.txt"
rm -rf "$dir"
