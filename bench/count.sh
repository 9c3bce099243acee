#!/bin/sh
# Counting every "the" in a 3.5 MB English text with `resnumber` (ESC P),
# run by `oxa -p` (FETCH, SCANSET, the count), against `grep -o the | wc -l`
# on the same file: whole process against whole pipeline, run in
# alternation.  The two counts must agree.  Prints both times and their ratio
# (target: at most 1.0).
#
#   bench/count.sh [path/to/oxa] [runs]
set -eu

here=$(cd "$(dirname "$0")/.." && pwd)
oxa=${1:-$here/build-bench/oxa}
runs=${2:-11}
[ -x "$oxa" ] || { echo "count: no oxa binary at $oxa" >&2; exit 1; }

work=$(mktemp -d /tmp/oxacn.XXXXXX)
trap 'rm -rf "$work"' EXIT INT TERM
in=$work/in.txt
proc=$work/cn.proc

awk -v bytes=3500000 -f "$here/bench/english.awk" > "$in"
# The blank line leaves command mode; `~` switches the brace notation on for
# ESC P and the command key.
printf 'FE%s\nSC0|the\n\n~{[}P{C}~BY\n' "$in" > "$proc"

. "$here/bench/lib.sh"

run_oxa() { "$oxa" -p "$proc" < /dev/null > "$work/oxa.out" 2>&1; }
run_grep() { grep -o the "$in" | wc -l > "$work/grep.out"; }

pairedruns run_oxa run_grep
t_oxa=$best_a
t_grep=$best_b

# The count is the last line of digits oxa sent (the result message).
n_oxa=$(tr -d '\r' < "$work/oxa.out" | grep -E '^[0-9]+$' | tail -n 1)
n_grep=$(tr -d ' ' < "$work/grep.out")
if [ "$n_oxa" != "$n_grep" ]; then
    echo "count: oxa counted $n_oxa, grep $n_grep" >&2
    exit 1
fi

size=$(wc -c < "$in")
echo "count: $size bytes, $n_oxa matches (both), best of $runs runs"
awk -v a="$t_oxa" -v b="$t_grep" 'BEGIN {
    printf "  oxa -p (FETCH + resnumber):     %8.2f ms\n", a / 1e6;
    printf "  grep -o the | wc -l:            %8.2f ms\n", b / 1e6;
    printf "  ratio oxa/grep:                 %8.2f (target <= 1.0)\n", a / b
}'
if cpucounted; then
    c_oxa=$(cputime "'$oxa' -p '$proc' < /dev/null > /dev/null 2>&1")
    c_grep=$(cputime "grep -o the '$in' | wc -l > /dev/null")
    awk -v a="$c_oxa" -v b="$c_grep" 'BEGIN {
        printf "  cpu oxa / grep:                 %.2f ms / %.2f ms, ratio %.2f\n", a, b, a / b
    }'
fi
