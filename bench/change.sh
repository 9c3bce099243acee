#!/bin/sh
# CHANGE of "the" into "THE THE" over a 1.75 MB English text, run by `oxa -p`
# (FETCH, CHANGE from the top, SAVE), against `sed 's/the/THE THE/g'` on the
# same file: whole process against whole process, run in alternation.  The
# two output files must be byte-identical.  Prints both processor times and
# their ratio (target: at most 0.6).
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

. "$here/bench/lib.sh"

"$oxa" -p "$proc" < /dev/null > /dev/null 2>&1
sed 's/the/THE THE/g' "$in" > "$work/sed.txt"
if ! cmp -s "$work/out.txt" "$work/sed.txt"; then
    echo "change: the file oxa saved differs from the output of sed" >&2
    exit 1
fi

cpurun --rm "$work/out.txt" -- oxa "$oxa -p $proc" -- sed "sed s/the/THE\\ THE/g $in > $work/sed.txt"
echo "change: $(wc -c < "$in") bytes, $(grep -o the "$in" | wc -l) matches, outputs byte-identical"
cpuheading
showcpu "oxa -p (FETCH + CHANGE + SAVE)" "$(cpuof oxa)"
showcpu "sed s/the/THE THE/g > out" "$(cpuof sed)"
showratio "ratio oxa/sed" "$(cpuof oxa)" "$(cpuof sed)" 0.6
