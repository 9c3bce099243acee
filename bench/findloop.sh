#!/bin/sh
# A procedure loop that walks a file by search: FIND of the first "@", then
# the search key (Ctrl-N) once for each further "@" (one at the start of every
# paragraph), over English-like text of 5,000 and of 20,000 paragraphs; at
# the end the cursor stands on the last "@", which is overwritten with "!" and
# the file saved and checked.  Prints both sizes' processor times and the
# growth exponent between them (target: at most 1.1, linear).
#
#   bench/findloop.sh [path/to/oxa] [runs]
set -eu

here=$(cd "$(dirname "$0")/.." && pwd)
oxa=${1:-$here/build-bench/oxa}
runs=${2:-11}
[ -x "$oxa" ] || { echo "findloop: no oxa binary at $oxa" >&2; exit 1; }

# File names given to oxa commands hold at most 48 characters.
work=$(mktemp -d /tmp/oxafl.XXXXXX)
trap 'rm -rf "$work"' EXIT INT TERM

# make N: N paragraphs, each beginning with "@", and the procedure.
make() {
    awk -v N="$1" 'BEGIN {
        srand(17);
        nw = split("the of and to a in that is was he for it with as his on be at by this had " \
            "not are but from or have an they which one you were her all she there would their we", W, " ");
        for (p = 0; p < N; p++) {
            if (p > 0) print "";
            n = 10 + int(rand() * 30); line = "@";
            for (i = 0; i < n; i++) line = line " " W[1 + int(rand() * nw)];
            print line "."
        }
    }' > "$work/in$1.txt"
    printf 'FE%s\nFI0|@\n~{$}%d{<^}{N}{>%%}~!~{C}~SA%s\nBY\n\n' \
        "$work/in$1.txt" $(($1 - 1)) "$work/out$1.txt" > "$work/find$1.proc"
    awk -v N="$1" '/^@/ && ++k == N { sub(/^@/, "!") } { print }' "$work/in$1.txt" > "$work/want$1.txt"
    "$oxa" -p "$work/find$1.proc" < /dev/null > /dev/null 2>&1
    if ! cmp -s "$work/out$1.txt" "$work/want$1.txt"; then
        echo "findloop: after $1 finds the cursor was not on the last mark" >&2
        exit 1
    fi
}
make 5000
make 20000

. "$here/bench/lib.sh"

cpurun --rm "$work/out5000.txt" --rm "$work/out20000.txt" \
    -- small "$oxa -p $work/find5000.proc" -- large "$oxa -p $work/find20000.proc"
echo "findloop: $(wc -c < "$work/in5000.txt") and $(wc -c < "$work/in20000.txt") bytes, the cursor checked"
cpuheading
showcpu "oxa -p find loop, 5,000 marks" "$(cpuof small)"
showcpu "oxa -p find loop, 20,000 marks" "$(cpuof large)"
showgrowth "growth exponent" "$(cpuof small)" "$(cpuof large)" 5000 20000 1.1
