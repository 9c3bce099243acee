"""Load on oxa-serve: 200 simulated learners each answer 20 exercises of
the French pack over loopback.  Prints answers a second, the latency of an
answer (p50, p99) and the server's memory (its own and its workers').

    python3 bench/serve_load.py OXA_SERVE PACK [LEARNERS ANSWERS CONNECTIONS]
"""

import http.client
import json
import multiprocessing
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time

RESPONSES = ["le chat noir", "les portes grises", "la porte grise", "il mange", "je suis ici"]


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


def client(args):
    """One connection answering for its share of the learners, in turns."""
    port, tokens, answers = args
    conn = http.client.HTTPConnection("127.0.0.1", port, timeout=60)
    latencies, failures = [], 0

    def post(path, body, token):
        nonlocal conn
        for attempt in range(2):
            try:
                conn.request("POST", path, body=json.dumps(body),
                             headers={"Authorization": "Bearer " + token, "Content-Type": "application/json"})
                resp = conn.getresponse()
                return resp.status, json.loads(resp.read())
            except (http.client.HTTPException, OSError):
                conn.close()  # the server closed a kept-alive connection: open another
                conn = http.client.HTTPConnection("127.0.0.1", port, timeout=60)
        return 0, {}

    for n in range(answers):
        for i, token in enumerate(tokens):
            st, ex = post("/api/v1/exercises", {"pack": "french"}, token)
            if st != 201:
                failures += 1
                continue
            t0 = time.perf_counter()
            st, _ = post("/api/v1/exercises/%s/answers" % ex["id"], {"response": RESPONSES[(n + i) % 5]}, token)
            latencies.append(time.perf_counter() - t0)
            if st != 201:
                failures += 1
    return latencies, failures


def main():
    binary, pack = sys.argv[1], sys.argv[2]
    learners = int(sys.argv[3]) if len(sys.argv) > 3 else 200
    answers = int(sys.argv[4]) if len(sys.argv) > 4 else 20
    connections = int(sys.argv[5]) if len(sys.argv) > 5 else 40
    work = tempfile.mkdtemp(prefix="oxa-serve-bench-")
    server = subprocess.Popen([binary, "--pack", pack, "--db", os.path.join(work, "bench.db"), "--listen",
                               "127.0.0.1:0", "--threads", str(connections + 8)],
                              stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
    try:
        lines = [server.stdout.readline().decode() for _ in range(3)]
        port = int(lines[0].rsplit(":", 1)[1].strip().rstrip("/"))
        code = lines[2].split(": ")[1].strip()
        tokens = []
        for i in range(learners):
            conn = http.client.HTTPConnection("127.0.0.1", port)
            conn.request("POST", "/api/v1/learners", body=json.dumps({"class": code, "name": "L%d" % i}),
                         headers={"Content-Type": "application/json"})
            tokens.append(json.loads(conn.getresponse().read())["learner"])
            conn.close()
        shares = [(port, tokens[k::connections], answers) for k in range(connections)]
        start = time.perf_counter()
        with multiprocessing.Pool(min(connections, 4 * (os.cpu_count() or 2))) as pool:
            results = pool.map(client, shares, chunksize=1)
        elapsed = time.perf_counter() - start
        memory = tree_rss_kb(server.pid)
        latencies = sorted(l for r in results for l in r[0])
        failures = sum(r[1] for r in results)
        done = len(latencies)
        print("oxa-serve load: %d learners x %d answers (%d connections), French pack" % (learners, answers,
                                                                                         connections))
        print("  answers/s      %.0f   (%d answers in %.1f s, each after making its exercise; %d failed)"
              % (done / elapsed, done, elapsed, failures))
        print("  answer latency p50 %.1f ms   p99 %.1f ms" % (1000 * latencies[done // 2],
                                                             1000 * latencies[min(done - 1, done * 99 // 100)]))
        print("  server memory  %.1f MB (server and its workers, resident)" % (memory / 1024))
    finally:
        server.send_signal(signal.SIGTERM)
        server.wait()
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
