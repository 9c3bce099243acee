"""oxa-serve killed with SIGKILL in the middle of the full load (200 learners
x 20 answers of the French pack, bench/serve/load.cpp): every answer the
server acknowledged is in the database, the database passes PRAGMA
integrity_check, and the server starts again on it.  Exits 1 on a failure.

    python3 bench/serve_kill.py OXA_SERVE OXA_SERVE_LOAD PACK [LEARNERS ANSWERS CONNECTIONS]
"""

import os
import shutil
import signal
import sqlite3
import subprocess
import sys
import tempfile
import time


def start(binary, pack, db):
    server = subprocess.Popen([binary, "--pack", pack, "--db", db, "--listen", "127.0.0.1:0", "--threads", "48",
                               "--learner-rate", "0", "--address-rate", "0"],
                              stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
    lines = [server.stdout.readline().decode() for _ in range(3)]
    if not lines[0].startswith("oxa-serve"):
        raise SystemExit("oxa-serve did not start: %r" % lines)
    return server, lines[0].rsplit(":", 1)[1].strip().rstrip("/"), lines[2].split(": ")[1].strip()


def count_lines(path):
    try:
        with open(path) as f:
            return sum(1 for _ in f)
    except OSError:
        return 0


def main():
    binary, client, pack = sys.argv[1], sys.argv[2], sys.argv[3]
    rest = sys.argv[4:] or ["200", "20", "40"]
    total = int(rest[0]) * int(rest[1])
    work = tempfile.mkdtemp(prefix="oxa-serve-kill-")
    db, acked_file = os.path.join(work, "kill.db"), os.path.join(work, "acked")
    try:
        server, port, code = start(binary, pack, db)
        load = subprocess.Popen([client, port, code, os.path.basename(pack.rstrip("/"))] + rest[:3] + [acked_file],
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        # Killed once half the answers are acknowledged, with the load at full speed.
        deadline = time.time() + 300
        while time.time() < deadline and count_lines(acked_file) < total // 2 and load.poll() is None:
            time.sleep(0.01)
        server.send_signal(signal.SIGKILL)
        server.wait()
        load.wait()
        with open(acked_file) as f:
            acked = {int(line) for line in f if line.strip()}
        con = sqlite3.connect(db)
        integrity = con.execute("PRAGMA integrity_check").fetchone()[0]
        stored = {row[0] for row in con.execute("SELECT id FROM answers")}
        con.close()
        lost = acked - stored
        print("oxa-serve killed under load: %d answers acknowledged of %d, %d in the database, %d lost, "
              "integrity %s" % (len(acked), total, len(stored), len(lost), integrity))
        ok = integrity == "ok" and not lost and len(acked) >= total // 4
        server, _, _ = start(binary, pack, db)
        server.send_signal(signal.SIGTERM)
        ok = server.wait() == 0 and ok
        print("  started again on that database and stopped: %s" % ("ok" if ok else "FAILED"))
        sys.exit(0 if ok else 1)
    finally:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
