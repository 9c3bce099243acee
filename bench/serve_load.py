"""Load on oxa-serve: 200 simulated learners each answer 20 exercises of
the French pack over loopback.  Starts the server on a fresh database, runs
the load client (bench/serve/load.cpp: answers a second, latency of an
answer p50 and p99) and prints the server's memory (its own and its
workers') at the end of the load.

    python3 bench/serve_load.py OXA_SERVE OXA_SERVE_LOAD PACK [LEARNERS ANSWERS CONNECTIONS]
"""

import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time

def rss_kb(pid):
    try:
        with open("/proc/%d/status" % pid) as f:
            for line in f:
                if line.startswith("VmRSS:"):
                    return int(line.split()[1])
    except OSError:
        pass
    return 0


def tree_rss_kb(pid):
    total = rss_kb(pid)
    for task in os.listdir("/proc/%d/task" % pid):
        try:
            with open("/proc/%d/task/%s/children" % (pid, task)) as f:
                total += sum(rss_kb(int(c)) for c in f.read().split())
        except OSError:
            pass
    return total


def cpu_seconds(pid):
    """User and system CPU seconds of a process and of its threads."""
    try:
        with open("/proc/%d/stat" % pid) as f:
            fields = f.read().rsplit(")", 1)[1].split()
        return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")
    except OSError:
        return 0.0


def tree_cpu_seconds(pid):
    total = cpu_seconds(pid)
    for task in os.listdir("/proc/%d/task" % pid):
        try:
            with open("/proc/%d/task/%s/children" % (pid, task)) as f:
                total += sum(cpu_seconds(int(c)) for c in f.read().split())
        except OSError:
            pass
    return total


def main():
    binary, client, pack = sys.argv[1], sys.argv[2], sys.argv[3]
    rest = sys.argv[4:] or ["200", "20", "40"]
    connections = int(rest[2]) if len(rest) > 2 else 40
    work = tempfile.mkdtemp(prefix="oxa-serve-bench-")
    server = subprocess.Popen([binary, "--pack", pack, "--db", os.path.join(work, "bench.db"), "--listen",
                               "127.0.0.1:0", "--threads", str(connections + 8), "--learner-rate", "0",
                               "--address-rate", "0"],
                              stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
    try:
        lines = [server.stdout.readline().decode() for _ in range(3)]
        port = lines[0].rsplit(":", 1)[1].strip().rstrip("/")
        code = lines[2].split(": ")[1].strip()
        peak = [0]
        before = tree_cpu_seconds(server.pid)
        load = subprocess.Popen([client, port, code, os.path.basename(pack.rstrip("/"))] + rest)
        while load.poll() is None:
            peak[0] = max(peak[0], tree_rss_kb(server.pid))
            time.sleep(0.2)
        cpu = tree_cpu_seconds(server.pid) - before
        answers = int(rest[0]) * int(rest[1])
        print("  server CPU     %.2f s, %.2f ms an answer with its exercise (server and its workers)"
              % (cpu, 1000 * cpu / answers))
        print("  server memory  %.1f MB at most (server and its workers, resident)" % (peak[0] / 1024))
        sys.exit(load.returncode)
    finally:
        server.send_signal(signal.SIGTERM)
        server.wait()
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
