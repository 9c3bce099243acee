# What the scripts that pair `oxa` with a Unix peer share, whole process
# against whole process.  Sourced (`. bench/lib.sh`) after the script has set
# `here` (the source tree) and `runs`.
#
# The machine may be shared: wall-clock times wander with its load, so every
# figure is processor time (user + system of every process of a run), the
# median of `runs` runs, with oxa and its peer run in alternation so that both
# meet the same load.  bench/cpu.py does the timing; no shell is timed.

# cpurun [--rm FILE]... -- NAME COMMAND [-- NAME COMMAND]...: times the
# commands (`<`, `>` and `|` as in the shell); the files named by --rm are
# removed before every run, so that each writes them afresh.
cpurun() {
    cpu_out=$(python3 "$here/bench/cpu.py" "$runs" "$@") || {
        echo "$(basename "$0"): a timed run failed" >&2
        exit 1
    }
}

# cpuof NAME: the median in milliseconds of NAME in the last cpurun.
cpuof() {
    printf '%s\n' "$cpu_out" | awk -v n="$1" '$1 == n { print $2 }'
}

# showcpu LABEL MS: one figure.
showcpu() {
    awk -v l="$1" -v t="$2" 'BEGIN { printf "  %-40s %9.2f ms\n", l ":", t }'
}

# showratio LABEL A B [TARGET]: the ratio A / B, against its target (at
# most) when one is given.
showratio() {
    awk -v l="$1" -v a="$2" -v b="$3" -v t="${4:-}" 'BEGIN {
        r = a / b
        printf "  %-40s %9.2f", l ":", r
        if (t != "") printf "   (target <= %s: %s)", t, r <= t ? "met" : "MISSED"
        printf "\n"
    }'
}

# showgrowth LABEL T1 T2 N1 N2 TARGET: the exponent of the growth from size
# N1 (time T1) to N2 (time T2) against its target (at most).
showgrowth() {
    awk -v l="$1" -v a="$2" -v b="$3" -v m="$4" -v n="$5" -v t="$6" 'BEGIN {
        e = log(b / a) / log(n / m)
        printf "  %-40s %9.2f   (target <= %s: %s)\n", l ":", e, t, e <= t ? "met" : "MISSED"
    }'
}

# The heading line of a script's figures.
cpuheading() {
    echo "  (processor time, median of $runs alternating runs; the machine may be loaded)"
}
