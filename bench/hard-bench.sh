#!/usr/bin/env bash
# Time-to-best of `varno-batch search` on homoplastic sets (CI about 0.1,
# RI 0.5-0.6: characters partly on conflicting trees, some noise, 5 % "?" and
# 15 % fragmentary objects), five seeds per set.
#   bench/hard-bench.sh [BUILD_DIR] [SECONDS_SMALL] [SECONDS_LARGE] [-- SEARCH OPTIONS...]
# EASY=1 runs the tree-like sets of thorough-bench.sh instead, to show that
# a strategy is no slower there.
# Per seed: the final length, the time its run first reached the best length
# any seed found ("-" when it never did) and when the run stopped. Progress
# comes once a second, so the times are good to about a second.
set -euo pipefail
build=${1:-build}
small=${2:-30}
large=${3:-60}
shift $(($# < 3 ? $# : 3))
[[ ${1:-} == -- ]] && shift
extra=("$@")
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
gen="$build/bench/varno-generate"
batch="$build/cli/varno-batch"
if [[ ${EASY:-0} == 1 ]]; then
    "$gen" --objects 100 --characters 150 --seed 12 --changes 8 -o "$dir/h100x150.txt"
    "$gen" --objects 255 --characters 300 --seed 1 --changes 8 -o "$dir/h255x300.txt"
else
    "$gen" --objects 100 --characters 150 --seed 21 --changes 8 --conflict 0.4 --noise 0.05 \
        --patchy 0.15 --missing 0.05 -o "$dir/h100x150.txt"
    "$gen" --objects 255 --characters 300 --seed 22 --changes 5 --conflict 0.25 --noise 0.02 \
        --patchy 0.15 --missing 0.05 -o "$dir/h255x300.txt"
fi

run_set() {
    local name=$1 limit=$2
    for seed in 1 2 3 4 5; do
        "$batch" search "$dir/$name.txt" --seed "$seed" --threads 2 --time-limit "$limit" \
            --progress "${extra[@]}" >"$dir/$name.$seed.out" 2>"$dir/$name.$seed.err" || true
    done
    awk -v name="$name$([[ ${EASY:-0} == 1 ]] && echo " (tree-like)")" '
        FNR == 1 && ++files % 2 == 1 { seed++; stop[seed] = "?"; final[seed] = "?" }
        /^Best length/ {
            len = $3 + 0; t = $NF == "s" ? $(NF - 1) : $NF; sub(/ s$/, "", t)
            if (!((seed, len) in first)) first[seed, len] = t + 0
        }
        /^Stopped:/ { match($0, /, [0-9.]+ s\)/); stop[seed] = substr($0, RSTART + 2, RLENGTH - 5) }
        /^Optimum = Minimum = / { final[seed] = $NF + 0; if (best == "" || $NF + 0 < best) best = $NF + 0 }
        END {
            hit = 0
            printf "%s  best length %d\n  seed  length  time-to-best  stopped\n", name, best
            for (s = 1; s <= seed; s++) {
                tt = "-"
                for (k in first) { split(k, p, SUBSEP)
                    if (p[1] == s && p[2] <= best && (tt == "-" || first[k] < tt)) tt = first[k] }
                if (tt != "-") hit++
                printf "  %4d  %6s  %12s  %7s\n", s, final[s], tt, stop[s]
            }
            printf "  reached best: %d of %d\n", hit, seed
        }' $(for s in 1 2 3 4 5; do echo "$dir/$name.$s.err" "$dir/$name.$s.out"; done)
}
run_set h100x150 "$small"
run_set h255x300 "$large"
