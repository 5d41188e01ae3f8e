#!/usr/bin/env bash
# Time-to-best of `varno-batch search` on homoplastic sets (CI about 0.1,
# RI 0.5-0.6: characters partly on conflicting trees, some noise, 5 % "?" and
# 15 % fragmentary objects), five seeds per set.
#   bench/hard-bench.sh [BUILD_DIR] [SECONDS_SMALL] [SECONDS_LARGE] [-- SEARCH OPTIONS...]
# EASY=1 runs the tree-like sets of thorough-bench.sh instead, to show that
# a strategy is no slower there.
# SETS chooses the sets (default "h100x150 h255x300"); the big ones,
# h500x400, h1000x500 and h2000x800, run 120, 300 and 600 s (the times
# the targets allow). SEEDS chooses the seeds (default "1 2 3 4 5").
# Per seed: the final length, the time its run first reached the best length
# any seed found ("-" when it never did) and first came within 1 % of it, when
# the run stopped and its peak memory. BEST=L takes L as the best length
# instead when it is shorter (from longer runs; one set at a time).
# Progress comes once a second, so the times are good to about a second.
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
sets=(${SETS:-h100x150 h255x300})
seeds=(${SEEDS:-1 2 3 4 5})
hard=(--changes 5 --conflict 0.25 --noise 0.02 --patchy 0.15 --missing 0.05)
declare -A limit=([h100x150]=$small [h255x300]=$large [h500x400]=120 [h1000x500]=300 [h2000x800]=600)
generate() {
    case "$1 ${EASY:-0}" in
        "h100x150 1") "$gen" --objects 100 --characters 150 --seed 12 --changes 8 -o "$dir/$1.txt" ;;
        "h255x300 1") "$gen" --objects 255 --characters 300 --seed 1 --changes 8 -o "$dir/$1.txt" ;;
        "h100x150 0") "$gen" --objects 100 --characters 150 --seed 21 --changes 8 --conflict 0.4 \
            --noise 0.05 --patchy 0.15 --missing 0.05 -o "$dir/$1.txt" ;;
        "h255x300 0") "$gen" --objects 255 --characters 300 --seed 22 "${hard[@]}" -o "$dir/$1.txt" ;;
        "h500x400 0") "$gen" --objects 500 --characters 400 --seed 23 "${hard[@]}" -o "$dir/$1.txt" ;;
        "h1000x500 0") "$gen" --objects 1000 --characters 500 --seed 24 "${hard[@]}" -o "$dir/$1.txt" ;;
        "h2000x800 0") "$gen" --objects 2000 --characters 800 --seed 25 "${hard[@]}" -o "$dir/$1.txt" ;;
        *) return 1 ;;
    esac
}
for set in "${sets[@]}"; do
    [[ -v limit[$set] && ( ${EASY:-0} != 1 || $set == h100x150 || $set == h255x300 ) ]] || {
        echo "hard-bench: no set $set (sets: ${!limit[*]}; EASY=1 has h100x150 and h255x300)" >&2
        exit 2
    }
done
if [[ -n ${BEST:-} ]]; then
    [[ $BEST =~ ^[1-9][0-9]*$ ]] || { echo "hard-bench: BEST must be a length above 0, not \"$BEST\"" >&2; exit 2; }
    [[ ${#sets[@]} -eq 1 ]] || { echo "hard-bench: BEST is the best length of one set: give one in SETS" >&2; exit 2; }
fi
command -v /usr/bin/time >/dev/null || { echo "hard-bench needs GNU time: apt-get install time" >&2; exit 2; }

run_set() {
    local name=$1 limit=$2
    generate "$name"
    for seed in "${seeds[@]}"; do
        /usr/bin/time -f "Peak memory %M KiB" -o "$dir/$name.$seed.mem" \
            "$batch" search "$dir/$name.txt" --seed "$seed" --threads 2 --time-limit "$limit" \
            --progress "${extra[@]}" >"$dir/$name.$seed.out" 2>"$dir/$name.$seed.err" || true
        cat "$dir/$name.$seed.mem" >>"$dir/$name.$seed.err"
    done
    awk -v name="$name$([[ ${EASY:-0} == 1 ]] && echo " (tree-like)")" -v seeds="${seeds[*]}" \
        -v known="${BEST:-}" '
        BEGIN { split(seeds, seedOf, " ") }
        FNR == 1 && ++files % 2 == 1 { seed++; stop[seed] = "?"; final[seed] = "?"; mem[seed] = "?" }
        /^Best length/ {
            len = $3 + 0; t = $NF == "s" ? $(NF - 1) : $NF; sub(/ s$/, "", t)
            if (!((seed, len) in first)) first[seed, len] = t + 0
        }
        /^Stopped:/ { match($0, /, [0-9.]+ s\)/); stop[seed] = substr($0, RSTART + 2, RLENGTH - 5) }
        /^Peak memory/ { mem[seed] = sprintf("%d MiB", $3 / 1024) }
        /^Optimum = Minimum = / { final[seed] = $NF + 0; if (best == "" || $NF + 0 < best) best = $NF + 0 }
        END {
            hit = 0
            if (known != "" && known + 0 < best) best = known + 0
            printf "%s  best length %d%s\n", name, best, known != "" && best == known + 0 ? " (given)" : ""
            printf "  seed  length  over best  time-to-best  time-to-1 %%  stopped  memory\n"
            for (s = 1; s <= seed; s++) {
                tt = "-"; near = "-"
                for (k in first) { split(k, p, SUBSEP)
                    if (p[1] != s) continue
                    if (p[2] <= best && (tt == "-" || first[k] < tt)) tt = first[k]
                    if (p[2] <= 1.01 * best && (near == "-" || first[k] < near)) near = first[k] }
                if (tt != "-") hit++
                over = final[s] == "?" ? "?" : sprintf("%.2f %%", 100 * (final[s] - best) / best)
                printf "  %4d  %6s  %9s  %12s  %11s  %7s  %6s\n", seedOf[s], final[s], over, tt, near, stop[s], mem[s]
            }
            printf "  reached best: %d of %d\n", hit, seed
        }' $(for s in "${seeds[@]}"; do echo "$dir/$name.$s.err" "$dir/$name.$s.out"; done)
}
for set in "${sets[@]}"; do run_set "$set" "${limit[$set]}"; done
