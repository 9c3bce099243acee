#!/bin/sh
# FETCH of a 3.5 MB text file and SAVE to a new file, run by `oxa -p` from a
# procedure, against `sed -n p file > out` on the same file: whole process
# against whole process.  Prints both times, their ratio (target: at most 1.0)
# and oxa's peak memory (target: under 16 MB) when /usr/bin/time is present.
#
#   bench/fetchsave.sh [path/to/oxa] [runs]
set -eu

here=$(cd "$(dirname "$0")/.." && pwd)
oxa=${1:-$here/build-bench/oxa}
runs=${2:-11}
[ -x "$oxa" ] || { echo "fetchsave: no oxa binary at $oxa" >&2; exit 1; }

# File names given to oxa commands hold at most 48 characters.
work=$(mktemp -d /tmp/oxafs.XXXXXX)
trap 'rm -rf "$work"' EXIT INT TERM
in=$work/in.txt
proc=$work/fs.proc

# About 3.5 MB of text: lines of 0 to 120 characters, some with trailing
# blanks, some empty, deterministic.
awk 'BEGIN {
    srand(7); n = 0; w = "the quick brown fox jumps over a lazy dog while oxa edits text";
    while (n < 3500000) {
        len = int(rand() * 121); line = substr(w w, 1 + int(rand() * 40), len);
        if (rand() < 0.1) line = line "   ";
        print line; n += length(line) + 1
    }
}' > "$in"
printf 'FE%s\nSA%s\nBY\n' "$in" "$work/out.txt" > "$proc"

bench_outputs="$work/out.txt $work/sed.txt"
. "$here/bench/lib.sh"

run_oxa() { "$oxa" -p "$proc" < /dev/null > /dev/null 2>&1; }
run_sed() { sed -n p "$in" > "$work/sed.txt"; }

pairedruns run_oxa run_sed
t_oxa=$best_a
t_sed=$best_b

# The saved file must be the fetched text with trailing blanks removed.
run_oxa
sed 's/ *$//' "$in" > "$work/want.txt"
if ! cmp -s "$work/out.txt" "$work/want.txt"; then
    echo "fetchsave: the saved file differs from the fetched text" >&2
    exit 1
fi

size=$(wc -c < "$in")
lines=$(wc -l < "$in")
echo "fetchsave: $size bytes, $lines lines, best of $runs runs"
awk -v a="$t_oxa" -v b="$t_sed" 'BEGIN {
    printf "  oxa -p (FETCH + SAVE): %8.2f ms\n", a / 1e6;
    printf "  sed -n p > out:        %8.2f ms\n", b / 1e6;
    printf "  ratio oxa/sed:         %8.2f (target <= 1.0)\n", a / b
}'
if [ -x /usr/bin/time ]; then
    rm -f "$work/out.txt"
    kb=$(/usr/bin/time -v "$oxa" -p "$proc" < /dev/null 2>&1 > /dev/null |
        awk -F: '/Maximum resident set size/ { gsub(/ /, "", $2); print $2 }')
    echo "  oxa peak memory:       ${kb} kB (target < 16384 kB)"
else
    echo "  oxa peak memory:       /usr/bin/time not present"
fi
if cpucounted; then
    c_oxa=$(cputime "'$oxa' -p '$proc' < /dev/null > /dev/null 2>&1")
    c_sed=$(cputime "sed -n p '$in' > '$work/sed.txt'")
    awk -v a="$c_oxa" -v b="$c_sed" 'BEGIN {
        printf "  cpu oxa / sed:         %.2f ms / %.2f ms, ratio %.2f\n", a, b, a / b
    }'
fi
