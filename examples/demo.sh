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
if [ -n "${2:-}" ]; then
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
    set -- "$here/english" "$here/french"
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
    printf '\n~{C}~RA123456789\n\n~{[}g{[}g{[}g{C}~EM7\n~{C}~BY\n~\n~\n~\n'
}

# The language files and the generated text are Latin-1.
utf8() { iconv -f latin1 -t utf-8 2>/dev/null || cat; }

# EMIT output arrives as lines ended by a bare line feed, each corefile
# closed by "$$$"; the front end's own lines end in CR LF and are left out.
# The procedure emits corefile 7 (messages and sentences), then corefile 15
# (the report).
plain() {
    awk '
        $0 == "$$$\r" { part++; next }
        /\r$/ { next }
        part == 0 && /^ERROR/ { print "  " $0 }
        part == 0 && /^Generation results:/ { print "  generated:" }
        part == 0 && / : / { print "    " $0 }
        part == 1 && !shown { print "  error analysis report:"; shown = 1 }
        part == 1 { print "    " $0 }
        END { if (!shown) print "  error analysis report: (empty)" }'
}

for pack in "$@"; do
    echo "== $(basename "$pack")"
    work=$(mktemp -d "${TMPDIR:-/tmp}/oxa-demo.XXXXXX")
    cp "$pack"/* "$work"/
    [ -f "$work/demo.proc" ] || defaultproc "$work" > "$work/demo.proc"
    # The answer as typed by the procedure: ESC e is the key for e acute.
    answer=$(grep -a '{\[}D{\[}K' "$work/demo.proc" |
        sed 's/{\[}D.*//; s/^~//; s/~$//; s/{\[}e/\o351/g')
    (cd "$work" && "$oxa" -p demo.proc </dev/null 2>/dev/null) | plain |
        awk -v a="$answer" '/error analysis report/ && !done && a != "" { print "  learner'"'"'s answer: " a; done = 1 } { print }' |
        utf8
    rm -rf "$work"
done
