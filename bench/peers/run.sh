#!/bin/sh
# Generation side by side: oxa and three generators that users choose instead,
# all on the same French grammar (DET ADJ N V with agreement; oxa's language
# pack in bench/peers/oxa, the peers' grammars beside this script).
#
#   sh bench/peers/run.sh OXA [PEERS_DIR]
#
# The peers (npm packages rosaenlg@3.2.6, rita@3.2.16, tracery-grammar@2.8.4)
# are installed into PEERS_DIR (default build-bench/peers) when npm is
# present; without node and npm only oxa runs, and the script says how to
# install them.  Each system runs at N = 10,000 and N = 100,000 sentences,
# interleaved, ROUNDS times (default 3); the figures are CPU medians (user +
# system, whole process, to the microsecond by cputime.py) and the peak
# resident memory.  Every output is
# checked by check.py: each sentence must agree (determiner, adjective, noun
# and verb).  The start-up-free rate is 90,000 sentences over the difference
# of the CPU medians at the two sizes, given only where that difference stands
# clear of the spread of the rounds (else "noise"); RosaeNLG also reports the CPU of its
# render loop alone (render_cpu_s), shown as a rate at N = 100,000 and as the
# rate between the two sizes (its loop warms up over the first sentences).
set -eu

OXA=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
HERE=$(cd "$(dirname "$0")" && pwd)
PEERS=${2:-build-bench/peers}
ROUNDS=${ROUNDS:-3}
SIZES="10000 100000"

[ -x "$OXA" ] || { echo "bench-peers: no program $OXA"; exit 1; }
command -v python3 >/dev/null || { echo "bench-peers: python3 is needed for check.py and cputime.py"; exit 1; }


peers=""
if command -v node >/dev/null && command -v npm >/dev/null; then
    mkdir -p "$PEERS"
    PEERS=$(cd "$PEERS" && pwd)
    if [ ! -d "$PEERS/node_modules/rosaenlg" ] || [ ! -d "$PEERS/node_modules/rita" ] ||
       [ ! -d "$PEERS/node_modules/tracery-grammar" ]; then
        echo "Installing the peers into $PEERS (npm registry) ..."
        (cd "$PEERS" && { [ -f package.json ] || npm init -y >/dev/null; } &&
         npm install --no-audit --no-fund rosaenlg@3.2.6 rita@3.2.16 tracery-grammar@2.8.4 \
             >npm-install.log 2>&1) ||
            { echo "bench-peers: npm install failed, see $PEERS/npm-install.log"; exit 1; }
    fi
    peers="tracery rita rosaenlg"
else
    echo "bench-peers: node and npm not found; only oxa runs.  To compare, install them"
    echo "  (apt-get install nodejs npm) and run make bench-peers again: the peers"
    echo "  rosaenlg@3.2.6, rita@3.2.16 and tracery-grammar@2.8.4 are then installed"
    echo "  into $PEERS from the npm registry."
fi

WORK=$(mktemp -d "${TMPDIR:-/tmp}/oxa-peers-XXXXXX")
trap 'rm -rf "$WORK"' EXIT
cp "$HERE"/oxa/attributes "$HERE"/oxa/terminals "$HERE"/oxa/lexicon "$HERE"/oxa/morphology \
   "$HERE"/oxa/tables "$HERE"/oxa/syntax "$WORK"/

# oxa: the language loaded, a fixed seed, rounds of 10,000 generate keys; after
# each round corefile 7 is EMITted and cleared (the store holds some 50,000).
for n in $SIZES; do
    printf '~{C}~ATattributes\n~{C}~TMterminals\n~{C}~LElexicon\n~{C}~MOmorphology\n~{C}~TBtables\n~{C}~SYsyntax\n~{C}~RA12345\n\n~{$}%d{<^}{$}0{$}10000{<^}{[}g{>%%}{C}~EM7\n~{C}~CO7\n~{C}~CL\n~{C}~CO1\n\n~{%%>%%}~' \
        $((n / 10000)) >"$WORK/gen_$n.proc"
done

# run SYSTEM N: runs one system once; appends "cpu peak_kb [render_s]" to
# $WORK/SYSTEM.N and leaves its sentences (UTF-8, one a line) in $WORK/out.
run() {
    sys=$1 n=$2
    case $sys in
    oxa)
        (cd "$WORK" && python3 "$HERE/cputime.py" "$WORK/time" "$OXA" -p "gen_$n.proc" >"$WORK/raw")
        # Generated lines come as "Transformed Sentence : ...", in Latin-1.
        sed -n 's/^Transformed Sentence : //p' "$WORK/raw" | tr -d '\r' |
            iconv -f latin1 -t utf-8 >"$WORK/out"
        ;;
    tracery)
        PEERS_NODE_MODULES="$PEERS/node_modules" python3 "$HERE/cputime.py" "$WORK/time" \
            node "$HERE/tracery_gen.js" "$n" >"$WORK/out"
        ;;
    rita)
        PEERS_NODE_MODULES="$PEERS/node_modules" python3 "$HERE/cputime.py" "$WORK/time" \
            node "$HERE/rita_gen.mjs" "$n" split >"$WORK/out"
        ;;
    rosaenlg)
        PEERS_NODE_MODULES="$PEERS/node_modules" python3 "$HERE/cputime.py" "$WORK/time" \
            node "$HERE/rosaenlg_gen.js" "$n" 1000 >"$WORK/out" 2>"$WORK/err"
        ;;
    esac
    render=$(sed -n 's/^render_cpu_s=//p' "$WORK/err" 2>/dev/null || true)
    rm -f "$WORK/err"
    awk -v r="${render:--}" '{ printf "%.3f %d %s\n", $1 + $2, $3, r }' "$WORK/time" >>"$WORK/$sys.$n"
    lines=$(wc -l <"$WORK/out")
    verdict=$(python3 "$HERE/check.py" "$WORK/out")
    case $verdict in
    *"sentences=$n ok=$n (100.00%)"*) ;;
    *)
        echo "bench-peers: $sys at N = $n: $lines lines, not $n agreeing sentences:"
        echo "  $verdict"
        echo "$sys $n" >>"$WORK/failed"
        ;;
    esac
}

echo "Rounds: $ROUNDS; each round runs every system at N = 10,000 and N = 100,000."
r=1
while [ "$r" -le "$ROUNDS" ]; do
    for sys in oxa $peers; do
        for n in $SIZES; do
            run "$sys" "$n"
        done
    done
    echo "  round $r done"
    r=$((r + 1))
done

# median FILE COLUMN
median() {
    awk -v c="$2" '$c != "-" { print $c }' "$1" | sort -g |
        awk '{ v[NR] = $1 } END { if (NR == 0) print "-"; else if (NR % 2) print v[(NR + 1) / 2]; else print (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}

echo
echo "Agreement: every output checked by check.py: $([ -f "$WORK/failed" ] && echo "FAILURES (above)" || echo "100 % in every run")."
echo
# The last column: this system's CPU over oxa's (how many times oxa's work it does).
printf '%-10s %8s %12s %9s %10s %10s\n' system N sentences/s "CPU s" "peak MB" "this/oxa"
for n in $SIZES; do
    oxacpu=$(median "$WORK/oxa.$n" 1)
    for sys in oxa $peers; do
        cpu=$(median "$WORK/$sys.$n" 1)
        kb=$(median "$WORK/$sys.$n" 2)
        awk -v s="$sys" -v n="$n" -v c="$cpu" -v k="$kb" -v o="$oxacpu" 'BEGIN {
            printf "%-10s %8d %12.0f %9.4f %10.1f %10.2f\n", s, n, n / c, c, k / 1024, c / o }'
    done
done
echo
echo "Start-up taken out: 90,000 sentences over the CPU difference between N = 100,000 and N = 10,000,"
echo "given only where that difference is larger than the spread (max - min) of the rounds at both sizes."
# The last column: oxa's rate over this system's (how many times faster oxa is).
printf '%-10s %14s %10s\n' system sentences/s "oxa/this"
# spread FILE: the largest less the smallest CPU figure of the rounds.
spread() {
    awk '{ if (NR == 1 || $1 < lo) lo = $1; if (NR == 1 || $1 > hi) hi = $1 } END { print hi - lo }' "$1"
}
# rate SYSTEM: the start-up-free rate, or 0 when the difference is noise.
rate() {
    awk -v a="$(median "$WORK/$1.10000" 1)" -v b="$(median "$WORK/$1.100000" 1)" \
        -v sa="$(spread "$WORK/$1.10000")" -v sb="$(spread "$WORK/$1.100000")" \
        'BEGIN { d = b - a; print (d > 0 && d > sa + sb) ? 90000 / d : 0 }'
}
oxarate=$(rate oxa)
for sys in oxa $peers; do
    awk -v s="$sys" -v r="$(rate "$sys")" -v o="$oxarate" 'BEGIN {
        if (r > 0) printf "%-10s %14.0f %10s\n", s, r, (o > 0) ? sprintf("%.2f", o / r) : "-";
        else printf "%-10s %14s %10s   (the difference is within the spread of the rounds)\n", s, "noise", "-" }'
done
case $peers in
*rosaenlg*)
    awk -v t="$(median "$WORK/rosaenlg.100000" 3)" -v o="$oxarate" 'BEGIN {
        if (t != "-" && t > 0) printf "%-10s %14.0f %10.2f   (render loop alone, render_cpu_s at N = 100,000)\n",
            "rosaenlg", 100000 / t, o / (100000 / t) }'
    awk -v a="$(median "$WORK/rosaenlg.10000" 3)" -v b="$(median "$WORK/rosaenlg.100000" 3)" -v o="$oxarate" 'BEGIN {
        if (a != "-" && b != "-" && b > a) printf "%-10s %14.0f %10.2f   (render loop alone, its difference between the two sizes)\n",
            "rosaenlg", 90000 / (b - a), o / (90000 / (b - a)) }'
    ;;
esac
[ ! -f "$WORK/failed" ]
