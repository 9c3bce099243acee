#!/bin/sh
# Counting with `resnumber` (ESC P) in a 3.5 MB English text, run by `oxa -p`
# (FETCH, SCANSET, the count): every "the" (unit 0) against
# `grep -o the | wc -l` (target: at most 0.6), and the lines that hold "the"
# (unit 7, whole-line pattern *the*) against `grep -c the`; whole process
# against whole process, run in alternation.  The counts must agree.
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
printf 'FE%s\nSC7|*the*\n\n~{[}P{C}~BY\n' "$in" > "$work/lines.proc"

. "$here/bench/lib.sh"

# The count is the last line of digits oxa sent (the result message).
counted() {
    "$oxa" -p "$1" < /dev/null 2>&1 | tr -d '\r' | grep -E '^[0-9]+$' | tail -n 1
}
n_oxa=$(counted "$proc")
n_grep=$(grep -o the "$in" | wc -l)
l_oxa=$(counted "$work/lines.proc")
l_grep=$(grep -c the "$in")
if [ "$n_oxa" != "$n_grep" ] || [ "$l_oxa" != "$l_grep" ]; then
    echo "count: oxa counted $n_oxa and $l_oxa lines, grep $n_grep and $l_grep lines" >&2
    exit 1
fi

cpurun -- oxa "$oxa -p $proc" -- grep "grep -o the $in | wc -l" \
    -- oxalines "$oxa -p $work/lines.proc" -- greplines "grep -c the $in"
echo "count: $(wc -c < "$in") bytes, $n_oxa times \"the\" on $l_oxa lines (both)"
cpuheading
showcpu "oxa -p (FETCH + resnumber, unit 0)" "$(cpuof oxa)"
showcpu "grep -o the | wc -l" "$(cpuof grep)"
showratio "ratio oxa/grep" "$(cpuof oxa)" "$(cpuof grep)" 0.6
showcpu "oxa -p (lines: unit 7, *the*)" "$(cpuof oxalines)"
showcpu "grep -c the" "$(cpuof greplines)"
showratio "ratio oxa/grep -c" "$(cpuof oxalines)" "$(cpuof greplines)"
