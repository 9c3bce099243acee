#!/bin/sh
# A merge that walks a file record by record: `oxa -p` fetches records
# (name|number|city), and a procedure loop merges "#2 #1" from each into
# corefile 16 (ESC M) and steps to the next record, over 5,000 and 20,000
# records; corefile 16 is saved and checked against awk's output of the same
# merge.  Prints both sizes' processor times and the growth exponent between
# them (target: at most 1.1, linear).
#
#   bench/merge.sh [path/to/oxa] [runs]
set -eu

here=$(cd "$(dirname "$0")/.." && pwd)
oxa=${1:-$here/build-bench/oxa}
runs=${2:-11}
[ -x "$oxa" ] || { echo "merge: no oxa binary at $oxa" >&2; exit 1; }

# File names given to oxa commands hold at most 48 characters.
work=$(mktemp -d /tmp/oxamg.XXXXXX)
trap 'rm -rf "$work"' EXIT INT TERM

# make N: N records and the procedure that merges them.
make() {
    awk -v N="$1" 'BEGIN {
        srand(13);
        for (i = 1; i <= N; i++)
            printf "\\rname%d|%d|city%d\n", i, int(rand() * 100000), int(rand() * 500)
    }' > "$work/rec$1.txt"
    printf 'FE%s\nOB1\nME#2 #1\n\n~{$}%d{<^}{[}M{K}{>%%}{C}~CO16\nSA%s\nBY\n\n' \
        "$work/rec$1.txt" "$1" "$work/out$1.txt" > "$work/merge$1.proc"
    # Corefile 16 starts with its one empty line.
    { echo; awk -F'|' '{ print $2 " " substr($1, 3) }' "$work/rec$1.txt"; } > "$work/want$1.txt"
    "$oxa" -p "$work/merge$1.proc" < /dev/null > /dev/null 2>&1
    if ! cmp -s "$work/out$1.txt" "$work/want$1.txt"; then
        echo "merge: the merged text of $1 records differs from awk's" >&2
        exit 1
    fi
}
make 5000
make 20000

. "$here/bench/lib.sh"

cpurun --rm "$work/out5000.txt" --rm "$work/out20000.txt" \
    -- small "$oxa -p $work/merge5000.proc" -- large "$oxa -p $work/merge20000.proc"
echo "merge: 5,000 and 20,000 records merged one by one, outputs checked"
cpuheading
showcpu "oxa -p merge, 5,000 records" "$(cpuof small)"
showcpu "oxa -p merge, 20,000 records" "$(cpuof large)"
showgrowth "growth exponent" "$(cpuof small)" "$(cpuof large)" 5000 20000 1.1
