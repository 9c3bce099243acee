#!/bin/sh
# CHANGE of "the" into "THE THE" over a 1.75 MB English text, run by `oxa -p`
# (FETCH, CHANGE from the top, SAVE), against `sed 's/the/THE THE/g'` on the
# same file: whole process against whole process, run in alternation.  The
# two output files must be byte-identical.  Prints both times and their ratio
# (target: at most 1.0).
#
#   bench/change.sh [path/to/oxa] [runs]
set -eu

here=$(cd "$(dirname "$0")/.." && pwd)
oxa=${1:-$here/build-bench/oxa}
runs=${2:-11}
[ -x "$oxa" ] || { echo "change: no oxa binary at $oxa" >&2; exit 1; }

# File names given to oxa commands hold at most 48 characters.
work=$(mktemp -d /tmp/oxach.XXXXXX)
trap 'rm -rf "$work"' EXIT INT TERM
in=$work/in.txt
proc=$work/ch.proc

awk -v bytes=1750000 -f "$here/bench/english.awk" > "$in"
printf 'FE%s\nCHthe|THE THE\nSA%s\nBY\n' "$in" "$work/out.txt" > "$proc"

bench_outputs="$work/out.txt $work/sed.txt"
. "$here/bench/lib.sh"

run_oxa() { "$oxa" -p "$proc" < /dev/null > /dev/null 2>&1; }
run_sed() { sed 's/the/THE THE/g' "$in" > "$work/sed.txt"; }

pairedruns run_oxa run_sed
t_oxa=$best_a
t_sed=$best_b

run_oxa
run_sed
if ! cmp -s "$work/out.txt" "$work/sed.txt"; then
    echo "change: the file oxa saved differs from the output of sed" >&2
    exit 1
fi

size=$(wc -c < "$in")
count=$(grep -o the "$in" | wc -l)
echo "change: $size bytes, $count matches, best of $runs runs, outputs identical"
awk -v a="$t_oxa" -v b="$t_sed" 'BEGIN {
    printf "  oxa -p (FETCH + CHANGE + SAVE): %8.2f ms\n", a / 1e6;
    printf "  sed s/the/THE THE/g:            %8.2f ms\n", b / 1e6;
    printf "  ratio oxa/sed:                  %8.2f (target <= 1.0)\n", a / b
}'
if cpucounted; then
    c_oxa=$(cputime "'$oxa' -p '$proc' < /dev/null > /dev/null 2>&1")
    c_sed=$(cputime "sed 's/the/THE THE/g' '$in' > '$work/sed.txt'")
    awk -v a="$c_oxa" -v b="$c_sed" 'BEGIN {
        printf "  cpu oxa / sed:                  %.2f ms / %.2f ms, ratio %.2f\n", a, b, a / b
    }'
fi
