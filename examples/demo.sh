#!/bin/sh
# A short scripted run of oxa: the keystrokes a front end would send are piped
# into the editor, and the lines it sends back to the front end are printed.
#
#   sh examples/demo.sh build/oxa
set -eu

oxa=${1:-build/oxa}
case $oxa in /*) ;; *) oxa=$(pwd)/$oxa ;; esac
if [ ! -x "$oxa" ]; then
    echo "demo: no oxa program at $oxa (build it first: make build)" >&2
    exit 1
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/oxa-demo.XXXXXX")
trap 'rm -rf "$work"' EXIT INT TERM
cd "$work"

# The keys: Ctrl-C (byte 3) is the command key, CR is return, DEL is rubout,
# ESC [ 2 ~ toggles insert mode.
cmd=$(printf '\003')
cr=$(printf '\r')
esc=$(printf '\033')

show() {
    # The front-end lines without their CR LF framing.  A run of one-character
    # lines (letters echoed one by one) is shown together on one row.
    tr -d '\r' | awk '
        function flush() { if (run != "") { printf "  echoed   \"%s\"\n", run; run = "" } }
        length($0) == 1 { run = run $0; next }
        { flush(); printf "  message  \"%s\"\n", $0 }
        END { flush() }'
}

errors() {
    echo "  on standard error:"
    if [ -s "$work/err" ]; then sed 's/^/    /' "$work/err"; else echo "    (nothing)"; fi
}

echo "== oxa -h"
"$oxa" -h | sed 's/^/  /'

echo "== oxa letter.txt: name the corefile, type a line, save it, leave"
keys="${cr}Dear reader,${cmd}SA*${cr}${cmd}GO${cr}"
printf '%s' "$keys" | "$oxa" letter.txt 2>"$work/err" | show
errors
if [ -f letter.txt ]; then
    echo "  letter.txt now holds:"
    sed 's/^/    /' letter.txt
fi

echo "== insert mode on and off (ESC [ 2 ~), then the end of the input"
keys="${cr}${esc}[2~${esc}[2~hi"
printf '%s' "$keys" | "$oxa" 2>"$work/err" | show
errors
