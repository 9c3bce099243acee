#!/bin/sh
# Every manual page renders without a single groff warning, and man shows it
# with its name and synopsis.
#   sh tests/man/check.sh build/man oxa.1 oxa-term.1 ...
set -u
dir=$1
shift
status=0
for page in "$@"; do
    warnings=$(groff -man -ww -z "$dir/$page" 2>&1)
    if [ -n "$warnings" ]; then
        echo "$page: groff warns: $warnings"
        status=1
    fi
    shown=$(MANWIDTH=80 man -l "$dir/$page" 2>&1)
    name=${page%.*}
    for part in NAME "$name -" SEE; do
        case $shown in
            *"$part"*) ;;
            *) echo "$page: man -l shows no \"$part\""; status=1 ;;
        esac
    done
done
exit $status
