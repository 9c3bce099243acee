# The timing shared by the scripts that pair `oxa` with a Unix peer, whole
# process against whole process.  Sourced (`. bench/lib.sh`) after the script
# has set `runs`; `bench_outputs` may name files (blank-separated) that are
# removed before every timed run, so that each run writes them afresh.

bench_outputs=${bench_outputs:-}

now() { date +%s%N; }

# Wall-clock time in nanoseconds of one run of the given command, the output
# files removed first.
timed() {
    # shellcheck disable=SC2086 # the list is split on purpose
    rm -f $bench_outputs
    t0=$(now)
    "$@"
    t1=$(now)
    echo $((t1 - t0))
}

# pairedruns A B: runs the commands A and B alternately, `runs` times each, so
# that both meet the same machine load; the best time of each counts.  Sets
# `best_a` and `best_b` (nanoseconds).
pairedruns() {
    best_a=0
    best_b=0
    i=0
    while [ "$i" -lt "$runs" ]; do
        t=$(timed "$1")
        if [ "$best_a" -eq 0 ] || [ "$t" -lt "$best_a" ]; then best_a=$t; fi
        t=$(timed "$2")
        if [ "$best_b" -eq 0 ] || [ "$t" -lt "$best_b" ]; then best_b=$t; fi
        i=$((i + 1))
    done
}

# On a loaded machine wall-clock times wander; processor time (task-clock,
# mean of `runs` runs) compares the work each process does.  `cpucounted`
# says whether perf can count it here; `cputime LINE` prints the mean in
# milliseconds of the shell command line LINE, the output files removed
# before each run.
cpucounted() {
    command -v perf > /dev/null 2>&1 && perf stat -x, -e task-clock true > /dev/null 2>&1
}

cputime() {
    perf stat -x, -r "$runs" -e task-clock sh -c "rm -f $bench_outputs; $1" 2>&1 > /dev/null |
        awk -F, '/task-clock/ { print $1 }'
}
