#!/bin/sh
# Runs the English and then the French demonstration procedure with the
# given oxa program and prints, as plain text, the generated sentences, the
# learner's answer and the error-analysis report.
#
#   sh examples/demo.sh build/oxa
set -eu

oxa=${1:-build/oxa}
case $oxa in /*) ;; *) oxa=$(pwd)/$oxa ;; esac
if [ ! -x "$oxa" ]; then
    echo "demo: no oxa program at $oxa (build it first: make build)" >&2
    exit 1
fi
here=$(cd "$(dirname "$0")" && pwd)

# The procedure saves corefile 7 (messages and sentences) as generated.txt
# and corefile 15 (the report) as report.txt; oxa writes both in UTF-8, as the
# language files are.
plain() {
    awk '
        FILENAME ~ /generated/ && /^ERROR/ { print "  " $0 }
        FILENAME ~ /generated/ && /^Generation results:/ { print "  generated:" }
        FILENAME ~ /generated/ && / : / { print "    " $0 }
        FILENAME ~ /report/ && !shown { print "  error analysis report:"; shown = 1 }
        FILENAME ~ /report/ { print "    " $0 }
        END { if (!shown) print "  error analysis report: (empty)" }' "$@"
}

for lang in english french; do
    echo "== $lang"
    work=$(mktemp -d "${TMPDIR:-/tmp}/oxa-demo.XXXXXX")
    cp "$here/$lang"/* "$work"/
    # The answer as typed by the procedure: ESC e is the key for e acute.
    answer=$(grep -a '{\[}D{\[}K' "$work/demo.proc" |
        sed 's/{\[}D.*//; s/^~//; s/~$//; s/{\[}e/\xc3\xa9/g')
    (cd "$work" && "$oxa" -p demo.proc </dev/null >/dev/null 2>&1) || true
    touch "$work/generated.txt" "$work/report.txt"
    plain "$work/generated.txt" "$work/report.txt" |
        awk -v a="$answer" '/error analysis report/ && !done { print "  learner'"'"'s answer: " a; done = 1 } { print }'
    rm -rf "$work"
done

# Lexical transformations and a semantic expression (English): the
# procedure emits corefile 3 (the lines the rules wrote, each a record line
# shown with its "\r" prefix), corefile 14 (the PRESELECT rule made from the
# expression) and corefile 7 (the sentences generated under that rule).
echo "== english: lexical transformations and a semantic expression"
work=$(mktemp -d "${TMPDIR:-/tmp}/oxa-demo.XXXXXX")
cp "$here/english"/* "$work"/
expr=$(grep -a '{\[}H' "$work/semantic.proc" | sed 's/~{\[}H.*//')
(cd "$work" && "$oxa" -p semantic.proc </dev/null 2>/dev/null) |
    awk -v e="$expr" '
        $0 == "$$$\r" { part++; next }
        /\r$/ { next }
        part < 2 && $0 == "" { next }
        part == 0 && !a { print "  new lexicon lines from examples/english/lextrans:"; a = 1 }
        part == 0 { sub(/^\\r/, ""); print "    " $0 }
        part == 1 && !b { print "  semantic expression: " e; print "  corefile 14:"; b = 1 }
        part == 1 { print "    " $0 }
        part == 2 && /^ERROR/ { print "  " $0 }
        part == 2 && /^Generation results:/ && !c { print "  generated:"; c = 1 }
        part == 2 && / : / { print "    " $0 }'
rm -rf "$work"
