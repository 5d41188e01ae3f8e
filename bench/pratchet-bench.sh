#!/usr/bin/env bash
# Our thorough search under --criterion unordered against phangorn's pratchet
# (Fitch, R) on the hard generated sets of hard-bench.sh, read as unordered.
# Both single-threaded; prints, per set and seed, each program's best length
# and seconds (ours: when the best length was first reached).
#   bench/pratchet-bench.sh [BUILD_DIR] [SEEDS] [SETS]   e.g. bench/pratchet-bench.sh build "1 2" "100x150"
set -euo pipefail
build=${1:-build}
seeds=${2:-"1 2 3"}
sets=${3:-"100x150 255x300"}
command -v Rscript >/dev/null && Rscript -e 'library(phangorn)' >/dev/null 2>&1 ||
    { echo "pratchet-bench: R's phangorn is missing (apt-get install r-cran-phangorn)" >&2; exit 1; }
gen="$build/bench/varno-generate"
batch="$build/cli/varno-batch"
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
# The generator's state names become one symbol each, per character.
cat >"$dir/symbols.py" <<'PY'
import sys
rows = [l.rstrip("\n").split("\t") for l in open(sys.argv[1]) if l.strip()]
symbols = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ"
maps = [{} for _ in rows[0][1:]]
with open(sys.argv[2], "w") as out:
    for r in rows[1:]:
        cells = []
        for j, c in enumerate(r[1:]):
            s = c.split("[")[0].strip()
            cells.append("?" if "?" in s or not s else maps[j].setdefault(s, symbols[len(maps[j])]))
        out.write(r[0] + "\t" + "".join(cells) + "\n")
print(max(len(m) for m in maps))
PY
cat >"$dir/pratchet.R" <<'R'
suppressMessages(library(phangorn))
a <- commandArgs(TRUE)
p <- strsplit(readLines(a[1]), "\t")
m <- do.call(rbind, lapply(p, function(x) strsplit(x[2], "")[[1]]))
rownames(m) <- sapply(p, `[`, 1)
d <- phyDat(m, type = "USER", levels = c(0:9, LETTERS)[1:as.integer(a[2])], ambiguity = "?")
set.seed(as.integer(a[3]))
t0 <- Sys.time()
tr <- pratchet(d, trace = 0, all = FALSE)
cat(sprintf("%d %.1f\n", parsimony(tr, d), as.numeric(difftime(Sys.time(), t0, units = "secs"))))
R
for set in $sets; do
    case $set in
        100x150) "$gen" --objects 100 --characters 150 --seed 21 --changes 8 --conflict 0.4 \
            --noise 0.05 --patchy 0.15 --missing 0.05 -o "$dir/d.txt" ;;
        255x300) "$gen" --objects 255 --characters 300 --seed 22 --changes 5 --conflict 0.25 \
            --noise 0.02 --patchy 0.15 --missing 0.05 -o "$dir/d.txt" ;;
        *) echo "pratchet-bench: unknown set $set" >&2; exit 2 ;;
    esac
    states=$(python3 "$dir/symbols.py" "$dir/d.txt" "$dir/d.sym")
    for seed in $seeds; do
        read -r theirs theirTime < <(Rscript "$dir/pratchet.R" "$dir/d.sym" "$states" "$seed")
        "$batch" search "$dir/d.txt" --criterion unordered --seed "$seed" --threads 1 \
            --time-limit 600 --progress >"$dir/out" 2>"$dir/err" || true
        ours=$(sed -n 's/^Optimum = Minimum = //p' "$dir/out")
        first=$(awk -v best="$ours" '/^Best length/ && $3 + 0 == best { print $(NF - 1); exit }' "$dir/err")
        printf '%-8s seed %-3s pratchet %6s in %7s s   ours %6s, first at %6s s (%s)\n' \
            "$set" "$seed" "$theirs" "$theirTime" "$ours" "$first" \
            "$(sed -n 's/^Stopped: //p' "$dir/out")"
    done
done
