#!/bin/sh
# SORT of a 3.5 MB text on a 15-character key: `oxa -p` runs FETCH, SORT and
# SAVE against `LC_ALL=C sort -s -k1.1,1.15 file > out` on the same file: whole
# process against whole process.  The two outputs must be byte-identical.
# Prints both times and their ratio (target: at most 1.0).
#
#   bench/sort.sh [path/to/oxa] [runs]
set -eu

here=$(cd "$(dirname "$0")/.." && pwd)
oxa=${1:-$here/build-bench/oxa}
runs=${2:-11}
[ -x "$oxa" ] || { echo "sort: no oxa binary at $oxa" >&2; exit 1; }

work=$(mktemp -d /tmp/oxaso.XXXXXX)
trap 'rm -rf "$work"' EXIT INT TERM
in=$work/in.txt
proc=$work/so.proc

# About 3.5 MB of lines, deterministic.  Each line starts with a key of 1 to
# 5 short words joined by "-" (no blank, so that the key of `sort -k1.1,1.15`,
# which ends at the first blank, is the same 15 columns); keys repeat often,
# so stability matters; a few lines are empty or shorter than 15 columns.
awk 'BEGIN {
    srand(5); n = 0;
    nw = split("ab ac al an ar as at ba be bi bo by ca ce ch co cu da de di do " \
        "ea ed el em en er es et ex fa fe fi fo ga ge go ha he hi ho", W, " ");
    nt = split("the quick brown fox jumps over a lazy dog while oxa sorts the lines", T, " ");
    while (n < 3500000) {
        if (rand() < 0.01) { print ""; n += 1; continue }
        k = int(1 + rand() * 5); key = W[1 + int(rand() * nw)];
        for (i = 1; i < k; i++) key = key "-" W[1 + int(rand() * nw)];
        line = key;
        m = int(rand() * 10);
        for (i = 0; i < m; i++) line = line " " T[1 + int(rand() * nt)];
        print line; n += length(line) + 1
    }
}' > "$in"
printf 'FE%s\nSO0|15|1|200000\nSA%s\nBY\n' "$in" "$work/out.txt" > "$proc"

bench_outputs="$work/out.txt $work/sort.txt"
. "$here/bench/lib.sh"

run_oxa() { "$oxa" -p "$proc" < /dev/null > /dev/null 2>&1; }
run_sort() { LC_ALL=C sort -s -k1.1,1.15 "$in" > "$work/sort.txt"; }

pairedruns run_oxa run_sort
t_oxa=$best_a
t_sort=$best_b

run_oxa
run_sort
if ! cmp -s "$work/out.txt" "$work/sort.txt"; then
    echo "sort: oxa's output differs from sort's" >&2
    exit 1
fi

size=$(wc -c < "$in")
lines=$(wc -l < "$in")
echo "sort: $size bytes, $lines lines, outputs byte-identical, best of $runs runs"
awk -v a="$t_oxa" -v b="$t_sort" 'BEGIN {
    printf "  oxa -p (FETCH + SORT + SAVE):     %8.2f ms\n", a / 1e6;
    printf "  LC_ALL=C sort -s -k1.1,1.15 > out: %8.2f ms\n", b / 1e6;
    printf "  ratio oxa/sort:                   %8.2f (target <= 1.0)\n", a / b
}'
if cpucounted; then
    c_oxa=$(cputime "'$oxa' -p '$proc' < /dev/null > /dev/null 2>&1")
    c_sort=$(cputime "LC_ALL=C sort -s -k1.1,1.15 '$in' > '$work/sort.txt'")
    awk -v a="$c_oxa" -v b="$c_sort" 'BEGIN {
        printf "  cpu oxa / sort:                   %.2f ms / %.2f ms, ratio %.2f\n", a, b, a / b
    }'
fi

# Many short lines over few keys: 199,000 one-word lines drawn from 48 words
# (every key repeated some 4,000 times; the equal keys must keep their order).
short=$work/short.txt
awk 'BEGIN {
    srand(3);
    nw = split("the of and to a in that is was he for it with as his on be at by this had " \
        "not are but from or have an they which one you were her all she there would their we", W, " ");
    for (i = 0; i < 199000; i++) print W[1 + int(rand() * nw)]
}' > "$short"
printf 'FE%s\nSO0|15|1|200000\nSA%s\nBY\n' "$short" "$work/out.txt" > "$proc"
run_sort_short() { LC_ALL=C sort -s -k1.1,1.15 "$short" > "$work/sort.txt"; }
pairedruns run_oxa run_sort_short
t_oxa=$best_a
t_sort=$best_b
run_oxa
run_sort_short
if ! cmp -s "$work/out.txt" "$work/sort.txt"; then
    echo "sort: oxa's output of the short lines differs from sort's" >&2
    exit 1
fi
echo "sort: 199,000 short lines over 48 keys, outputs byte-identical, best of $runs runs"
awk -v a="$t_oxa" -v b="$t_sort" 'BEGIN {
    printf "  oxa -p (FETCH + SORT + SAVE):     %8.2f ms\n", a / 1e6;
    printf "  LC_ALL=C sort -s -k1.1,1.15 > out: %8.2f ms\n", b / 1e6;
    printf "  ratio oxa/sort:                   %8.2f (target <= 0.8)\n", a / b
}'
if cpucounted; then
    c_oxa=$(cputime "'$oxa' -p '$proc' < /dev/null > /dev/null 2>&1")
    c_sort=$(cputime "LC_ALL=C sort -s -k1.1,1.15 '$short' > '$work/sort.txt'")
    awk -v a="$c_oxa" -v b="$c_sort" 'BEGIN {
        printf "  cpu oxa / sort:                   %.2f ms / %.2f ms, ratio %.2f\n", a, b, a / b
    }'
fi
