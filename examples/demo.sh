#!/bin/sh
# Runs the English and then the French demonstration procedure with the
# given oxa program and prints, as plain text, what each wrote: the loading
# messages, the generated sentences and the error-analysis report.
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

# EMIT output arrives as lines ended by a bare line feed and closed by "$$$";
# the front end's own lines end in CR LF and are left out.  The language
# files and the generated text are Latin-1.
plain() {
    awk '/\r$/ { next } $0 == "$$$" { print ""; next } { print "    " $0 }' |
        iconv -f latin1 -t utf-8 2>/dev/null || cat
}

for lang in english french; do
    echo "== $lang: load the language, generate, analyse a learner's answer"
    work=$(mktemp -d "${TMPDIR:-/tmp}/oxa-demo.XXXXXX")
    cp "$here/$lang"/* "$work"/
    (cd "$work" && timeout 20 "$oxa" -p demo.proc </dev/null 2>/dev/null) | plain
    rm -rf "$work"
done
