#!/usr/bin/env bash
# The exact search under the reversible criteria: per bound variant the trees
# examined, the seconds (wall and processor) and whether the optimum was
# proved, on simulated sets (varno-generate: 24 objects x 40 characters, and
# 20-25 objects with 15 % "?"), read as unordered, and on the published
# matrices beside the project, unordered and irreversible.
#   bench/exact-criteria-bench.sh [BUILD_DIR] [TIME_LIMIT_SECONDS] [THREADS] [CRITERION]
set -euo pipefail
build=${1:-build}
limit=${2:-60}
threads=${3:-2}
criterion=${4:-unordered}
data=$(mktemp -d)
trap 'rm -rf "$data"' EXIT
gen="$build/bench/varno-generate"
bench=("$build/bench/bench_exact" --threads "$threads" --time-limit "$limit" --variants)
sets=()
for seed in 1 2 3; do
    "$gen" --objects 24 --characters 40 --seed "$seed" --changes 5 -o "$data/sim-n24-s$seed.txt"
    sets+=("$data/sim-n24-s$seed.txt")
done
for n in 20 22 25; do
    "$gen" --objects "$n" --characters 40 --seed 1 --changes 5 --missing 0.15 \
        -o "$data/gap-n$n-s1.txt"
    sets+=("$data/gap-n$n-s1.txt")
done
"${bench[@]}" --criterion "$criterion" "${sets[@]}"
real=()
for name in Longrich2010 Vinther2008 Sansom2010; do
    f="$(dirname "$0")/../../shared/data/real/$name.nex"
    [ -f "$f" ] && real+=("$f")
done
if [ ${#real[@]} -gt 0 ]; then
    "${bench[@]}" --criterion unordered "${real[@]}"
    "${bench[@]}" --criterion irreversible "${real[@]}"
fi
