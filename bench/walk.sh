#!/bin/sh
# A procedure that walks a file command by command: at each paragraph the
# reformat key, a line down, then FIND of the next paragraph's mark, over
# English-like text of 0.27 MB and of 1.75 MB (paragraphs of 10 to 40 words,
# one line each, a blank line between).  Against `fmt -w 72` on the larger
# file, whole process against whole process.  Prints both sizes' times, the
# growth exponent between them (target: at most 1.1 once start-up is set
# aside; the CPU figures show it) and the ratio to fmt (target: at most 2),
# and checks that every line oxa wrote holds at most 72 columns and every
# word is kept, in order.
#
#   bench/walk.sh [path/to/oxa] [runs]
set -eu

here=$(cd "$(dirname "$0")/.." && pwd)
oxa=${1:-$here/build-bench/oxa}
runs=${2:-11}
[ -x "$oxa" ] || { echo "walk: no oxa binary at $oxa" >&2; exit 1; }
command -v fmt > /dev/null || { echo "walk: fmt not present, skipped"; exit 0; }

work=$(mktemp -d /tmp/oxawk.XXXXXX)
trap 'rm -rf "$work"' EXIT INT TERM

# make BYTES: the text (each paragraph begins with "@"), and the procedure.
make() {
    awk -v BYTES="$1" 'BEGIN {
        srand(11);
        nw = split("the of and to a in that is was he for it with as his on be at by this had " \
            "not are but from or have an they which one you were her all she there would their we", W, " ");
        total = 0;
        for (p = 0; total < BYTES; p++) {
            if (p > 0) print "";
            n = 10 + int(rand() * 30); line = "@";
            for (i = 0; i < n; i++) line = line " " W[1 + int(rand() * nw)];
            print line "."; total += length(line) + 3
        }
    }' > "$work/in$1.txt"
    paras=$(grep -c '^@' "$work/in$1.txt")
    # Commands inside the loop run in a level of their own (so that the loop
    # keeps its count).
    printf 'FE%s\nMA1|72\nJU0\nHY0\nPO1|1\n\n~{$}%d{<^}{R}{K}{$}0{C}~FI0|@\n~{%%>%%}{>%%}{C}~SA%s\nBY\n' \
        "$work/in$1.txt" "$paras" "$work/out$1.txt" > "$work/walk$1.proc"
}
make 270000
make 1750000

bench_outputs="$work/out270000.txt $work/out1750000.txt $work/fmt.txt"
. "$here/bench/lib.sh"

run_small() { "$oxa" -p "$work/walk270000.proc" < /dev/null > /dev/null 2>&1; }
run_large() { "$oxa" -p "$work/walk1750000.proc" < /dev/null > /dev/null 2>&1; }
run_fmt() { fmt -w 72 "$work/in1750000.txt" > "$work/fmt.txt"; }

pairedruns run_small run_large
t_small=$best_a
t_large=$best_b
pairedruns run_large run_fmt
t_fmt=$best_b

run_large
if awk 'length($0) > 72 { bad = 1 } END { exit !bad }' "$work/out1750000.txt"; then
    echo "walk: oxa wrote a line longer than 72 columns" >&2
    exit 1
fi
if ! tr -s ' \n' '\n\n' < "$work/out1750000.txt" | cmp -s - "$(tr -s ' \n' '\n\n' < "$work/in1750000.txt" > "$work/words"; echo "$work/words")"; then
    echo "walk: oxa lost, added or moved a word" >&2
    exit 1
fi

echo "walk: $(wc -c < "$work/in270000.txt") and $(wc -c < "$work/in1750000.txt") bytes, best of $runs runs, every word kept"
awk -v s="$t_small" -v l="$t_large" -v f="$t_fmt" -v bs=270000 -v bl=1750000 'BEGIN {
    printf "  oxa -p walk, 0.27 MB:          %8.2f ms\n", s / 1e6;
    printf "  oxa -p walk, 1.75 MB:          %8.2f ms\n", l / 1e6;
    printf "  growth exponent:               %8.2f\n", log(l / s) / log(bl / bs);
    printf "  fmt -w 72, 1.75 MB:            %8.2f ms\n", f / 1e6;
    printf "  ratio oxa/fmt at 1.75 MB:      %8.2f (target <= 2.0)\n", l / f
}'
if cpucounted; then
    c_small=$(cputime "'$oxa' -p '$work/walk270000.proc' < /dev/null > /dev/null 2>&1")
    c_large=$(cputime "'$oxa' -p '$work/walk1750000.proc' < /dev/null > /dev/null 2>&1")
    c_fmt=$(cputime "fmt -w 72 '$work/in1750000.txt' > '$work/fmt.txt'")
    awk -v s="$c_small" -v l="$c_large" -v f="$c_fmt" 'BEGIN {
        printf "  cpu 0.27 MB / 1.75 MB / fmt:   %.2f / %.2f / %.2f ms, exponent %.2f, ratio to fmt %.2f\n",
            s, l, f, log(l / s) / log(1750000 / 270000), l / f
    }'
fi
