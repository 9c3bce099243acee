#!/bin/sh
# Runs the English and then the French demonstration procedure with the
# given oxa program and prints, as plain text, the generated sentences, the
# learner's answer and the error-analysis report.  Given a directory laid out
# like examples/english, it runs that language pack instead: its demo.proc,
# or, when it has none, a procedure that loads its files and generates.
#
#   sh examples/demo.sh build/oxa
#   sh examples/demo.sh build/oxa mypack
set -eu

oxa=${1:-build/oxa}
case $oxa in /*) ;; *) oxa=$(pwd)/$oxa ;; esac
if [ ! -x "$oxa" ]; then
    echo "demo: no oxa program at $oxa (build it first: make build)" >&2
    exit 1
fi
here=$(cd "$(dirname "$0")" && pwd)
# Installed, the script sits in share/oxa with the packs in share/oxa/packs.
packs=$here
if [ ! -d "$packs/english" ] && [ -d "$here/packs" ]; then packs=$here/packs; fi
own=${2:-}
if [ -n "$own" ]; then
    if [ ! -d "$2" ]; then
        echo "demo: no language pack directory $2" >&2
        exit 1
    fi
    set -- "$(cd "$2" && pwd)"
    for f in attributes terminals lexicon syntax; do
        if [ ! -f "$1/$f" ]; then
            echo "demo: the pack $1 has no file named $f" >&2
            exit 1
        fi
    done
else
    set -- "$packs/english" "$packs/french"
fi

# The procedure run for a pack without demo.proc: load the files it has, in
# the order of the bundled packs, generate three times and show the result.
defaultproc() {
    for f in attributes:AT terminals:TM lexicon:LE morphology:MO tables:TB \
             syntax:SY tags:TG merrors:MR phonology:IP; do
        if [ -f "$1/${f%%:*}" ]; then
            printf '~{C}~%s%s\n' "${f#*:}" "${f%%:*}"
        fi
    done
    printf '\n~{C}~RA123456789\n\n~{[}g{[}g{[}g{C}~CO7\n~{C}~SAgenerated.txt\n~{C}~CO1\n~{C}~BY\n~\n~\n~\n'
}

# The procedure saves corefile 7 (messages and sentences) as generated.txt
# and corefile 15 (the report) as report.txt; oxa writes both in UTF-8, as the
# language files are.
plain() {
    awk '
        FILENAME ~ /generated/ && /^ERROR/ { print "  " $0 }
        FILENAME ~ /generated/ && /^Generation results:/ { print "  generated:" }
        FILENAME ~ /generated/ && / : / { print "    " $0 }
        FILENAME ~ /report/ && $0 == "" { next }
        FILENAME ~ /report/ && !shown { print "  error analysis report:"; shown = 1 }
        FILENAME ~ /report/ { print "    " $0 }
        END { if (!shown) print "  error analysis report: (empty)" }' "$@"
}

for pack in "$@"; do
    echo "== $(basename "$pack")"
    work=$(mktemp -d "${TMPDIR:-/tmp}/oxa-demo.XXXXXX")
    cp "$pack"/* "$work"/
    [ -f "$work/demo.proc" ] || defaultproc "$work" > "$work/demo.proc"
    # The answer as typed by the procedure: ESC e is the key for e acute.
    answer=$(grep -a '{\[}D{\[}K' "$work/demo.proc" |
        sed 's/{\[}D.*//; s/^~//; s/~$//; s/{\[}e/\xc3\xa9/g')
    (cd "$work" && "$oxa" -p demo.proc </dev/null >/dev/null 2>&1) || true
    touch "$work/generated.txt" "$work/report.txt"
    plain "$work/generated.txt" "$work/report.txt" |
        awk -v a="$answer" '/error analysis report/ && !done && a != "" { print "  learner'"'"'s answer: " a; done = 1 } { print }'
    rm -rf "$work"
done

if [ -z "$own" ]; then
    # Lexical transformations and a semantic expression (English): the
    # procedure emits corefile 3 (the lines the rules wrote, each a record line
    # shown with its "\r" prefix), corefile 14 (the PRESELECT rule made from the
    # expression) and corefile 7 (the sentences generated under that rule).
    echo "== english: lexical transformations and a semantic expression"
    work=$(mktemp -d "${TMPDIR:-/tmp}/oxa-demo.XXXXXX")
    cp "$packs/english"/* "$work"/
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
fi
