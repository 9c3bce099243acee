#!/bin/sh
# A procedure that walks a file command by command: at each paragraph the
# reformat key, a line down, then FIND of the next paragraph's mark, over
# English-like text of 0.27 MB and of 1.75 MB (paragraphs of 10 to 40 words,
# one line each, a blank line between).  Against `fmt -w 72` on the larger
# file, whole process against whole process.  Prints both sizes' times, the
# growth exponent between them (target: at most 1.1) and the ratio to fmt
# (target: at most 2), all processor time,
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

. "$here/bench/lib.sh"

"$oxa" -p "$work/walk1750000.proc" < /dev/null > /dev/null 2>&1
if awk 'length($0) > 72 { bad = 1 } END { exit !bad }' "$work/out1750000.txt"; then
    echo "walk: oxa wrote a line longer than 72 columns" >&2
    exit 1
fi
tr -s ' \n' '\n\n' < "$work/in1750000.txt" > "$work/words"
if ! tr -s ' \n' '\n\n' < "$work/out1750000.txt" | cmp -s - "$work/words"; then
    echo "walk: oxa lost, added or moved a word" >&2
    exit 1
fi

cpurun --rm "$work/out270000.txt" --rm "$work/out1750000.txt" \
    -- small "$oxa -p $work/walk270000.proc" -- large "$oxa -p $work/walk1750000.proc" \
    -- fmt "fmt -w 72 $work/in1750000.txt > $work/fmt.txt"
echo "walk: $(wc -c < "$work/in270000.txt") and $(wc -c < "$work/in1750000.txt") bytes, every word kept"
cpuheading
showcpu "oxa -p walk, 0.27 MB" "$(cpuof small)"
showcpu "oxa -p walk, 1.75 MB" "$(cpuof large)"
showgrowth "growth exponent" "$(cpuof small)" "$(cpuof large)" 270000 1750000 1.1
showcpu "fmt -w 72, 1.75 MB" "$(cpuof fmt)"
showratio "ratio oxa/fmt at 1.75 MB" "$(cpuof large)" "$(cpuof fmt)" 2.0
