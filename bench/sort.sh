#!/bin/sh
# SORT of a 3.5 MB text on a 15-character key: `oxa -p` runs FETCH, SORT and
# SAVE against `LC_ALL=C sort -s -k1.1,1.15 file > out` on the same file: whole
# process against whole process.  The two outputs must be byte-identical.
# Prints both processor times and their ratio (target: at most 1.0; for
# 199,000 short lines, at most 0.8).  `sort` runs with LC_ALL=C.
#
#   bench/sort.sh [path/to/oxa] [runs]
set -eu
# The byte order sort compares by, for sort and every command here.
export LC_ALL=C

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

. "$here/bench/lib.sh"

"$oxa" -p "$proc" < /dev/null > /dev/null 2>&1
LC_ALL=C sort -s -k1.1,1.15 "$in" > "$work/sort.txt"
if ! cmp -s "$work/out.txt" "$work/sort.txt"; then
    echo "sort: oxa's output differs from sort's" >&2
    exit 1
fi
cpurun --rm "$work/out.txt" -- oxa "$oxa -p $proc" -- sort "sort -s -k1.1,1.15 $in > $work/sort.txt"
echo "sort: $(wc -c < "$in") bytes, $(wc -l < "$in") lines, outputs byte-identical"
cpuheading
showcpu "oxa -p (FETCH + SORT + SAVE)" "$(cpuof oxa)"
showcpu "LC_ALL=C sort -s -k1.1,1.15 > out" "$(cpuof sort)"
showratio "ratio oxa/sort" "$(cpuof oxa)" "$(cpuof sort)" 1.0

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
"$oxa" -p "$proc" < /dev/null > /dev/null 2>&1
LC_ALL=C sort -s -k1.1,1.15 "$short" > "$work/sort.txt"
if ! cmp -s "$work/out.txt" "$work/sort.txt"; then
    echo "sort: oxa's output of the short lines differs from sort's" >&2
    exit 1
fi
cpurun --rm "$work/out.txt" -- oxa "$oxa -p $proc" -- sort "sort -s -k1.1,1.15 $short > $work/sort.txt"
echo "sort: 199,000 short lines over 48 keys, outputs byte-identical"
cpuheading
showcpu "oxa -p (FETCH + SORT + SAVE)" "$(cpuof oxa)"
showcpu "LC_ALL=C sort -s -k1.1,1.15 > out" "$(cpuof sort)"
showratio "ratio oxa/sort" "$(cpuof oxa)" "$(cpuof sort)" 0.8
