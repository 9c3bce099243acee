#!/bin/sh
# oxa-check on a 5,000-entry pack with 200 sampled generations.  The pack is
# the English example whose lexicon is grown to 5,000 entries: each noun,
# verb and adjective line is repeated with a made-up word (the rest of the
# line unchanged), so the grammar and morphology stay the example's.
# Prints the best time of the runs against the 2 s target.
#
#   bench/check.sh [path/to/oxa-check] [runs]
set -eu

here=$(cd "$(dirname "$0")/.." && pwd)
checker=${1:-$here/build-bench/oxa-check}
runs=${2:-5}
[ -x "$checker" ] || { echo "check: no oxa-check binary at $checker" >&2; exit 1; }

work=$(mktemp -d /tmp/oxack.XXXXXX)
trap 'rm -rf "$work"' EXIT INT TERM
pack=$work/pack
mkdir "$pack"
cp "$here"/examples/english/* "$pack"/

awk -v want=5000 '
    { lines[++n] = $0; print }
    /^"[a-z]+"\|(N|V|ADJ)\|/ { grow[++g] = n; entries++ }
    /^"/ && !/^"[a-z]+"\|(N|V|ADJ)\|/ { entries++ }
    END {
        k = 0
        while (entries < want) {
            line = lines[grow[1 + k % g]]
            word = substr(line, 2, index(substr(line, 2), "\"") - 1)
            sub("^\"" word "\"", "\"" word "x" int(k / g) "\"", line)
            print line; entries++; k++
        }
    }' "$here/examples/english/lexicon" > "$pack/lexicon"
count=$(grep -c '^"' "$pack/lexicon")

now() { date +%s%N; }
best=
for i in $(seq "$runs"); do
    t0=$(now)
    status=0
    "$checker" "$pack" --generate 200 -q > "$work/out.txt" || status=$?
    t1=$(now)
    if [ "$status" != 0 ]; then
        echo "check: oxa-check found errors in the grown pack:" >&2
        cat "$work/out.txt" >&2
        exit 1
    fi
    ms=$(( (t1 - t0) / 1000000 ))
    if [ -z "$best" ] || [ "$ms" -lt "$best" ]; then best=$ms; fi
done

verdict=within
[ "$best" -le 2000 ] || verdict=OVER
printf 'oxa-check, %d entries, 200 generations: %d ms (best of %d; target 2000 ms: %s)\n' \
    "$count" "$best" "$runs" "$verdict"
