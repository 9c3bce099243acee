#!/bin/sh
# Reformatting a 1.75 MB English-like text paragraph by paragraph: `oxa -p`
# runs a procedure loop (reformat key, two lines up, corefile 0 cleared every
# 460 paragraphs) against `fmt -w 72 file > out` on the same file: whole
# process against whole process.  Prints both processor times and their
# ratio (target: at most 1.0), and checks that oxa kept every word, in
# order, on lines of at most 72 columns.
#
#   bench/reformat.sh [path/to/oxa] [runs]
set -eu

here=$(cd "$(dirname "$0")/.." && pwd)
oxa=${1:-$here/build-bench/oxa}
runs=${2:-11}
[ -x "$oxa" ] || { echo "reformat: no oxa binary at $oxa" >&2; exit 1; }
command -v fmt > /dev/null || { echo "reformat: fmt not present, skipped"; exit 0; }

work=$(mktemp -d /tmp/oxarf.XXXXXX)
trap 'rm -rf "$work"' EXIT INT TERM
in=$work/in.txt
proc=$work/rf.proc

# Paragraphs of 60 to 259 words drawn from common English words, each
# paragraph one line, a blank line between paragraphs; deterministic.
rounds=5 # of 460 paragraphs
awk -v PARAS=$((rounds * 460)) 'BEGIN {
    srand(11);
    nw = split("the of and to a in that is was he for it with as his on be at by I this had " \
        "not are but from or have an they which one you were her all she there would their we " \
        "him been has when who will more no if out so said what up its about into than them can " \
        "only other new some could time these two may then do first any my now such like our " \
        "over man me even most made after also did many before must through back years where " \
        "much your way well down should because each just those people how too little state good " \
        "very make world still own see men work long get here between both life being under never " \
        "day same another know while last might us great old year off come since against go came " \
        "right used take three", W, " ");
    for (p = 0; p < PARAS; p++) {
        if (p > 0) print "";
        n = 60 + int(rand() * 200); line = "";
        for (i = 0; i < n; i++) {
            w = W[1 + int(rand() * nw)];
            if (i == 0 || rand() < 0.06) w = toupper(substr(w, 1, 1)) substr(w, 2);
            if (rand() < 0.08) w = w (rand() < 0.7 ? "," : ".");
            line = line (i ? " " : "") w;
        }
        print line "."
    }
}' > "$in"

# From the last paragraph upwards: each paragraph is one line, so two lines up
# from a reformatted paragraph is the start of the one before it.  Commands
# inside the loop run in a level of their own so that the loop count stays.
{
    printf 'FE%s\n' "$in"
    printf 'MA1|72\nJU0\nHY0\nPO-1|1\n\n'
    printf '~{$}%d{<^}{$}460{<^}{R}{Z}{Z}{>%%}{$}0{C}~CO0\nCL\nCO1\n\n~{%%>%%}{C}~' "$rounds"
    printf 'SA%s\nBY\n' "$work/out.txt"
} > "$proc"

. "$here/bench/lib.sh"

# Every word kept in order, no line beyond column 72, paragraphs still apart.
"$oxa" -p "$proc" < /dev/null > /dev/null 2>&1
# (The last two moves up, from the first paragraph, add empty lines at the top.)
tr -d '\r' < "$work/out.txt" | sed '/./,$!d' > "$work/plain.txt"
words() { tr -s ' \n' '\n\n' < "$1" | grep -v '^$'; }
words "$in" > "$work/words.txt"
if ! words "$work/plain.txt" | cmp -s - "$work/words.txt"; then
    echo "reformat: the reformatted text lost or changed words" >&2
    exit 1
fi
long=$(awk 'length($0) > 72' "$work/plain.txt" | wc -l)
paras=$(grep -c '^$' "$work/plain.txt" || true)
if [ "$long" -ne 0 ] || [ "$paras" -ne $((rounds * 460 - 1)) ]; then
    echo "reformat: $long lines beyond column 72, $paras paragraph breaks" >&2
    exit 1
fi

cpurun --rm "$work/out.txt" -- oxa "$oxa -p $proc" -- fmt "fmt -w 72 $in > $work/fmt.txt"
echo "reformat: $(wc -c < "$in") bytes, $((rounds * 460)) paragraphs into $(wc -l < "$work/plain.txt") lines"
cpuheading
showcpu "oxa -p (FETCH, reformat loop, SAVE)" "$(cpuof oxa)"
showcpu "fmt -w 72 > out" "$(cpuof fmt)"
showratio "ratio oxa/fmt" "$(cpuof oxa)" "$(cpuof fmt)" 1.0
