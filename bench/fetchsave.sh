#!/bin/sh
# FETCH of a 3.5 MB text file and SAVE to a new file, run by `oxa -p` from a
# procedure, against `sed -n p file > out` on the same file: whole process
# against whole process.  Prints both processor times, their ratio (target:
# at most 0.8) and oxa's peak memory (target: under 16 MB) when /usr/bin/time
# is present.
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

. "$here/bench/lib.sh"

# The saved file must be the fetched text with trailing blanks removed.
"$oxa" -p "$proc" < /dev/null > /dev/null 2>&1
sed 's/ *$//' "$in" > "$work/want.txt"
if ! cmp -s "$work/out.txt" "$work/want.txt"; then
    echo "fetchsave: the saved file differs from the fetched text" >&2
    exit 1
fi

cpurun --rm "$work/out.txt" -- oxa "$oxa -p $proc" -- sed "sed -n p $in > $work/sed.txt"
echo "fetchsave: $(wc -c < "$in") bytes, $(wc -l < "$in") lines, saved text checked"
cpuheading
showcpu "oxa -p (FETCH + SAVE)" "$(cpuof oxa)"
showcpu "sed -n p > out" "$(cpuof sed)"
showratio "ratio oxa/sed" "$(cpuof oxa)" "$(cpuof sed)" 0.8
if [ -x /usr/bin/time ]; then
    rm -f "$work/out.txt"
    kb=$(/usr/bin/time -v "$oxa" -p "$proc" < /dev/null 2>&1 > /dev/null |
        awk -F: '/Maximum resident set size/ { gsub(/ /, "", $2); print $2 }')
    echo "  oxa peak memory:                         ${kb} kB (target < 16384 kB)"
else
    echo "  oxa peak memory:                         /usr/bin/time not present"
fi
