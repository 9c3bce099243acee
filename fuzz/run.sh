#!/bin/sh
# Builds every fuzz target (fuzz/*_fuzz.cpp) and runs each for a bounded time
# over a scratch copy of its seed corpus.  Usage: fuzz/run.sh [seconds] [outdir]
# FUZZ_TARGETS="name ..." runs only the targets named (e.g. "editor syntax").
# A crash, hang, leak of sanitizer report or timeout makes the script fail.
set -e
cd "$(dirname "$0")/.."
FUZZ_TARGETS=${FUZZ_TARGETS:-}
secs=${1:-60}
out=${2:-build-fuzz}
sh fuzz/build.sh "$out"
status=0
for src in fuzz/*_fuzz.cpp; do
    name=$(basename "$src" _fuzz.cpp)
    if [ -n "$FUZZ_TARGETS" ]; then
        case " $FUZZ_TARGETS " in *" $name "*) ;; *) continue ;; esac
    fi
    work="$out/corpus/$name"
    mkdir -p "$work"
    if [ -d "fuzz/corpus/$name" ]; then cp -r "fuzz/corpus/$name/." "$work/"; fi
    echo "== $name: $secs s"
    # The targets that run the whole editor have a limit of their own per
    # input (FUZZ_EDITOR_TIMEOUT seconds, 20 by default): ordinary inputs take
    # milliseconds under the sanitizers and the heaviest seed (a dump key
    # pressed in a loop) 1.5 s on an idle machine, which a machine loaded
    # several times over stretches to 7 s; only a run that has gone wrong
    # reaches 20.
    timeout=10
    case "$name" in editor|procedure|records|textfile|generation) timeout=${FUZZ_EDITOR_TIMEOUT:-20} ;; esac
    dict=""
    if [ -f "fuzz/$name.dict" ]; then dict="-dict=$PWD/fuzz/$name.dict"; fi
    # A sanitizer report of either kind ends the run and fails it.
    if ! ASAN_OPTIONS=detect_leaks=0:halt_on_error=1 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
        "$out/${name}_fuzz" -seed=1 -max_total_time="$secs" $dict \
        -timeout=$timeout -max_len=4096 -print_final_stats=1 -artifact_prefix="$PWD/$out/${name}-" \
        "$work" >"$out/$name.log" 2>&1; then
        echo "FAILED: $name (see $out/$name.log)"
        tail -40 "$out/$name.log"
        status=1
    else
        grep -E 'stat::number_of_executed_units' "$out/$name.log" || true
    fi
done
exit $status
