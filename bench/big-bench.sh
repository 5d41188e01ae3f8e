#!/usr/bin/env bash
# Time and peak memory of the batch commands on trees past 255 objects:
# generated sets of 500, 2000 and 10000 objects, each with its true tree.
#   bench/big-bench.sh [BUILD_DIR] [SIZES]    e.g. bench/big-bench.sh build "500x200 2000x800"
# Prints one row per command and set: seconds and peak resident memory (MiB).
set -euo pipefail
build=${1:-build}
sizes=${2:-"500x200 2000x800 10000x400"}
batch="$build/cli/varno-batch"
gen="$build/bench/varno-generate"
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
measure() {  # name, then the command
    local name=$1
    shift
    /usr/bin/time -f "%e %M" -o "$dir/time" "$@" >/dev/null 2>"$dir/err" ||
        { echo "$name failed: $(cat "$dir/err")" >&2; return 1; }
    read -r seconds kib <"$dir/time"
    printf '%-10s %-34s %8s s %8d MiB\n' "$set" "$name" "$seconds" $((kib / 1024))
}
for size in $sizes; do
    n=${size%x*}
    c=${size#*x}
    set="${n}x$c"
    "$gen" --objects "$n" --characters "$c" --seed 25 --changes 2 -o "$dir/d.txt" --tree "$dir/t.nwk"
    # 100 trees over the same objects: the true tree and 99 others.
    cp "$dir/t.nwk" "$dir/trees.nwk"
    for s in $(seq 1 99); do
        "$gen" --objects "$n" --characters 1 --seed "$s" -o "$dir/x.txt" --tree "$dir/x.nwk"
        cat "$dir/x.nwk" >>"$dir/trees.nwk"
    done
    measure "score" "$batch" score "$dir/d.txt" "$dir/t.nwk"
    measure "stats" "$batch" stats "$dir/d.txt" "$dir/t.nwk"
    measure "changes" "$batch" changes "$dir/d.txt" "$dir/t.nwk"
    measure "charfit" "$batch" charfit "$dir/d.txt" "$dir/t.nwk"
    for criterion in unordered reversible; do
        for command in score stats changes charfit; do
            measure "$command --criterion $criterion" "$batch" "$command" "$dir/d.txt" "$dir/t.nwk" \
                --criterion "$criterion"
        done
    done
    measure "consensus (100 trees)" "$batch" consensus "$dir/trees.nwk"
    measure "consensus --strict (100 trees)" "$batch" consensus "$dir/trees.nwk" --strict
    # draw refuses trees past 5000 leaves with a message: the row says so.
    measure "draw (SVG)" "$batch" draw "$dir/t.nwk" -o "$dir/t.svg" || true
    measure "jackknife (10 replicates)" "$batch" support "$dir/d.txt" --method jackknife \
        --replicates 10 --additions 1 --ratchet 0 --seed 1 --threads 2
done
