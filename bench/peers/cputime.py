#!/usr/bin/env python3
"""Runs a command and writes its processor time and peak memory to a file.

    cputime.py OUTFILE COMMAND [ARG ...]

OUTFILE gets one line "user_s system_s peak_kb", the times to the
microsecond (the 10 ms steps of /usr/bin/time's format would hide a run of a
few milliseconds).  The command's standard streams are its own; the exit
status is the command's.
"""
import os
import resource
import subprocess
import sys


def main():
    if len(sys.argv) < 3:
        sys.stderr.write("usage: cputime.py OUTFILE COMMAND [ARG ...]\n")
        return 2
    status = subprocess.call(sys.argv[2:])
    use = resource.getrusage(resource.RUSAGE_CHILDREN)
    with open(sys.argv[1], "w") as out:
        out.write("%.6f %.6f %d\n" % (use.ru_utime, use.ru_stime, use.ru_maxrss))
    return status if status >= 0 else 128 - status


if __name__ == "__main__":
    sys.exit(main())
