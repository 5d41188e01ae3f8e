#!/usr/bin/env bash
# The exact search on simulated data sets: 12, 16, 20 and 24 objects x 40
# characters (consistency index about 0.4), seeds 1..3; every bound variant
# up to 20 objects, the default search at 24.
#   bench/exact-bench.sh [BUILD_DIR] [TIME_LIMIT_SECONDS] [THREADS]
set -euo pipefail
build=${1:-build}
limit=${2:-120}
threads=${3:-2}
data=$(mktemp -d)
trap 'rm -rf "$data"' EXIT
small=()
large=()
for n in 12 16 20 24; do
    for seed in 1 2 3; do
        f="$data/sim-n$n-s$seed.txt"
        "$build/bench/varno-generate" --objects "$n" --characters 40 --seed "$seed" --changes 5 -o "$f"
        if [ "$n" -le 20 ]; then small+=("$f"); else large+=("$f"); fi
    done
done
"$build/bench/bench_exact" --threads "$threads" --time-limit "$limit" --variants "${small[@]}"
"$build/bench/bench_exact" --threads "$threads" --time-limit "$limit" "${large[@]}"
# Gappy data: 20 objects x 40 characters with 15 % "?" (every bound variant),
# and the published 20-25-object matrices beside the project, when present.
gappy=()
for seed in 1 2 3; do
    f="$data/gap-n20-s$seed.txt"
    "$build/bench/varno-generate" --objects 20 --characters 40 --seed "$seed" --changes 5 \
        --missing 0.15 -o "$f"
    gappy+=("$f")
done
"$build/bench/bench_exact" --threads "$threads" --time-limit "$limit" --variants "${gappy[@]}"
real=()
for name in Longrich2010 Vinther2008 Sansom2010; do
    f="$(dirname "$0")/../../shared/data/real/$name.nex"
    [ -f "$f" ] && real+=("$f")
done
if [ ${#real[@]} -gt 0 ]; then
    "$build/bench/bench_exact" --threads "$threads" --time-limit "$limit" --variants "${real[@]}"
fi
