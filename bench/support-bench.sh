#!/usr/bin/env bash
# Jackknife support on simulated data: 100 replicates, 100 objects x 150
# characters, each replicate searched by the thorough search (the default)
# and, for comparison, by the evolutionary search. Prints wall and CPU time
# and peak memory.
#   bench/support-bench.sh [BUILD_DIR] [THREADS]
set -euo pipefail
build=${1:-build}
threads=${2:-2}
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
"$build/bench/varno-generate" --objects 100 --characters 150 --seed 12 --changes 8 \
    -o "$dir/s100x150.txt"
for search in thorough evolutionary; do
    echo "jackknife, 100 replicates, 100 x 150, $threads threads, $search search:"
    /usr/bin/time -f "  %e s wall, %U s user + %S s system CPU, %M KB peak" \
        "$build/cli/varno-batch" support "$dir/s100x150.txt" --method jackknife \
        --replicates 100 --seed 1 --threads "$threads" --search "$search" \
        --newick "$dir/$search.nwk"
done
echo "Bremer support, 40 x 60:"
"$build/bench/varno-generate" --objects 40 --characters 60 --seed 3 --changes 4 -o "$dir/s40.txt"
/usr/bin/time -f "  %e s wall, %U s user + %S s system CPU, %M KB peak" \
    "$build/cli/varno-batch" support "$dir/s40.txt" --bremer --seed 1 --threads "$threads" \
    --newick "$dir/bremer.nwk"
