#!/usr/bin/env python3
"""Processor time of whole processes, run in alternation: the medians.

    cpu.py RUNS [--rm FILE]... -- NAME COMMAND [-- NAME COMMAND]...

Each COMMAND is one command line: words (split as the shell splits them),
with `<` FILE, `>` FILE and `|` between the commands of a pipeline; no shell
runs, so none is timed.  The commands run in turn, RUNS rounds, so that all
meet the same machine load; the files named by --rm are removed before each
run.  The processor time of a run is user + system of every process of it,
to the microsecond.  Prints one line per command: "NAME MEDIAN_MS MIN_MS".
A command that fails ends the measurement with its status.
"""
import os
import resource
import shlex
import statistics
import subprocess
import sys


def pipeline(line):
    """The commands of a command line: (argv, stdin path, stdout path)."""
    commands, argv, src, dst = [], [], None, None
    words = shlex.split(line)
    i = 0
    while i < len(words):
        w = words[i]
        if w == "|":
            commands.append((argv, src, dst))
            argv, src, dst = [], None, None
        elif w in ("<", ">"):
            i += 1
            if w == "<":
                src = words[i]
            else:
                dst = words[i]
        else:
            argv.append(w)
        i += 1
    commands.append((argv, src, dst))
    return commands


def runonce(commands):
    """Runs a pipeline; its processor time in seconds."""
    before = resource.getrusage(resource.RUSAGE_CHILDREN)
    procs, prev, opened = [], None, []
    for k, (argv, src, dst) in enumerate(commands):
        stdin = open(src, "rb") if src else (prev if prev is not None else subprocess.DEVNULL)
        last = k == len(commands) - 1
        if dst:
            stdout = open(dst, "wb")
        elif last:
            stdout = subprocess.DEVNULL
        else:
            stdout = subprocess.PIPE
        for f in (stdin, stdout):
            if hasattr(f, "close"):
                opened.append(f)
        p = subprocess.Popen(argv, stdin=stdin, stdout=stdout, stderr=subprocess.DEVNULL, close_fds=False)
        if prev is not None:
            prev.close()
        prev = p.stdout if stdout is subprocess.PIPE else None
        procs.append(p)
    status = 0
    for p in procs:
        status = p.wait() or status
    for f in opened:
        f.close()
    after = resource.getrusage(resource.RUSAGE_CHILDREN)
    if status != 0:
        sys.stderr.write("cpu.py: %s ended with status %d\n" % (commands[0][0][0], status))
        sys.exit(status if status > 0 else 1)
    return (after.ru_utime - before.ru_utime) + (after.ru_stime - before.ru_stime)


def main():
    args = sys.argv[1:]
    if len(args) < 4 or "--" not in args:
        sys.stderr.write(__doc__)
        return 2
    runs = int(args[0])
    rm, i = [], 1
    while args[i] == "--rm":
        rm.append(args[i + 1])
        i += 2
    jobs = []
    while i < len(args):
        if args[i] != "--" or i + 2 >= len(args):
            sys.stderr.write(__doc__)
            return 2
        jobs.append((args[i + 1], pipeline(args[i + 2])))
        i += 3
    times = {name: [] for name, _ in jobs}
    for _ in range(runs):
        for name, commands in jobs:
            for f in rm:
                if os.path.exists(f):
                    os.remove(f)
            times[name].append(runonce(commands))
    for name, _ in jobs:
        t = times[name]
        print("%s %.3f %.3f" % (name, statistics.median(t) * 1e3, min(t) * 1e3))
    return 0


if __name__ == "__main__":
    sys.exit(main())
