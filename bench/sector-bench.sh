#!/usr/bin/env bash
# What sectorial search brings to the driven search: the hard sets of
# hard-bench.sh (CI about 0.1, RI 0.5-0.6), five seeds each, driven search
# with and without sectors. The best length is the best any run of either
# kind found; per seed the final length, the time its run first reached that
# length ("-" when it never did) and when it stopped.
#   bench/sector-bench.sh [BUILD_DIR] [SECONDS_SMALL] [SECONDS_LARGE] [-- SEARCH OPTIONS...]
# THREADS (default 1) threads per run, SETS (default "h100x150 h255x300")
# which sets, SEEDS (default "1 2 3 4 5"). Progress comes once a second, so
# the times are good to about a second.
set -euo pipefail
build=${1:-build}
small=${2:-30}
large=${3:-60}
shift $(($# < 3 ? $# : 3))
[[ ${1:-} == -- ]] && shift
extra=("$@")
threads=${THREADS:-1}
sets=${SETS:-"h100x150 h255x300"}
seeds=${SEEDS:-"1 2 3 4 5"}
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
gen="$build/bench/varno-generate"
batch="$build/cli/varno-batch"
"$gen" --objects 100 --characters 150 --seed 21 --changes 8 --conflict 0.4 --noise 0.05 \
    --patchy 0.15 --missing 0.05 -o "$dir/h100x150.txt"
"$gen" --objects 255 --characters 300 --seed 22 --changes 5 --conflict 0.25 --noise 0.02 \
    --patchy 0.15 --missing 0.05 -o "$dir/h255x300.txt"
"$gen" --objects 500 --characters 400 --seed 23 --changes 5 --conflict 0.25 --noise 0.02 \
    --patchy 0.15 --missing 0.05 -o "$dir/h500x400.txt"

for name in $sets; do
    limit=$small
    [[ $name == h100x150 ]] || limit=$large
    files=()
    for kind in sectors no-sectors; do
        flag=()
        [[ $kind == no-sectors ]] && flag=(--no-sectors)
        for seed in $seeds; do
            out="$dir/$name.$kind.$seed"
            "$batch" search "$dir/$name.txt" --strategy driven "${flag[@]}" --seed "$seed" \
                --threads "$threads" --time-limit "$limit" --progress "${extra[@]}" \
                >"$out.out" 2>"$out.err" || true
            files+=("$out.err" "$out.out")
        done
    done
    awk -v name="$name" -v threads="$threads" '
        FNR == 1 { f = FILENAME; sub(/\.(err|out)$/, "", f); n = split(f, part, ".")
                   kind = part[n - 1]; seed = part[n]; run = kind " " seed
                   if (!(run in seen)) { seen[run] = 1; order[++runs] = run } }
        /^Best length/ {
            len = $3 + 0; t = $NF == "s" ? $(NF - 1) : $NF; sub(/ s$/, "", t)
            if (!((run, len) in first)) first[run, len] = t + 0
        }
        /^Stopped:/ { match($0, /, [0-9.]+ s\)/); stop[run] = substr($0, RSTART + 2, RLENGTH - 5) }
        /^Sectors searched:/ { sect[run] = $3 " sectors, " $14 " shorter" }
        /^Optimum = Minimum = / { final[run] = $NF + 0; if (best == "" || $NF + 0 < best) best = $NF + 0 }
        END {
            printf "%s  best length %d  (%d thread%s per run)\n", name, best, threads, threads == 1 ? "" : "s"
            printf "  kind        seed  length  time-to-best  stopped  sectors\n"
            for (i = 1; i <= runs; i++) {
                r = order[i]; split(r, p, " "); tt = "-"
                for (k in first) { split(k, q, SUBSEP)
                    if (q[1] == r && q[2] <= best && (tt == "-" || first[k] < tt)) tt = first[k] }
                if (tt != "-") { hit[p[1]]++; sum[p[1]] += tt }
                count[p[1]]++; stops[p[1]] += stop[r]
                printf "  %-10s  %4d  %6s  %12s  %7s  %s\n", p[1], p[2], final[r], tt, stop[r], sect[r]
            }
            for (k in count)
                printf "  %-10s  reached best: %d of %d, mean time-to-best %s s, mean stop %.1f s\n",
                    k, hit[k], count[k], hit[k] ? sprintf("%.1f", sum[k] / hit[k]) : "-",
                    stops[k] / count[k]
        }' "${files[@]}"
done
