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

now() { date +%s%N; }

run_oxa() { "$oxa" -p "$proc" < /dev/null > "$work/oxa.out" 2>&1; }
run_grep() { grep -o the "$in" | wc -l > "$work/grep.out"; }

timed() {
    t0=$(now)
    "$@"
    t1=$(now)
    echo $((t1 - t0))
}

t_oxa=0
t_grep=0
i=0
while [ "$i" -lt "$runs" ]; do
    t=$(timed run_oxa)
    if [ "$t_oxa" -eq 0 ] || [ "$t" -lt "$t_oxa" ]; then t_oxa=$t; fi
    t=$(timed run_grep)
    if [ "$t_grep" -eq 0 ] || [ "$t" -lt "$t_grep" ]; then t_grep=$t; fi
    i=$((i + 1))
done

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
if command -v perf > /dev/null 2>&1 && perf stat -x, -e task-clock true > /dev/null 2>&1; then
    cpu() {
        perf stat -x, -r "$runs" -e task-clock sh -c "$1" 2>&1 > /dev/null |
            awk -F, '/task-clock/ { print $1 }'
    }
    c_oxa=$(cpu "'$oxa' -p '$proc' < /dev/null > /dev/null 2>&1")
    c_grep=$(cpu "grep -o the '$in' | wc -l > /dev/null")
    awk -v a="$c_oxa" -v b="$c_grep" 'BEGIN {
        printf "  cpu oxa / grep:                 %.2f ms / %.2f ms, ratio %.2f\n", a, b, a / b
    }'
fi
