"""Faults: a pack worker killed, and the server killed with SIGKILL in the
middle of a load of answers."""

import os
import signal
import sqlite3
import threading
import time

from harness import (BINARY, ENGLISH, FRENCH, Server, check, cleanup, run, tempdir)


def test_worker_killed():
    d = tempdir()
    try:
        s = Server(BINARY, [FRENCH, ENGLISH], os.path.join(d, "w.db"), ["--workers", "1"])
        try:
            t = s.join()
            english = s.post("/api/v1/exercises", {"pack": "english", "seed": 11}, t)[1]
            french = [pid for pid, pack in s.children() if pack == FRENCH]
            check(len(french) == 1, s.children())
            os.kill(french[0], signal.SIGKILL)
            time.sleep(0.2)
            st, ex, _ = s.post("/api/v1/exercises", {"pack": "french", "seed": 5}, t)
            check(st == 201 and ex["prompt"], (st, ex))
            st, body, _ = s.post("/api/v1/exercises/%s/answers" % ex["id"], {"response": "le chat"}, t)
            check(st == 201, (st, body))
            check("worker for pack french (pid %d) ended (killed by signal 9); restarting it" % french[0]
                  in s.stderr(), s.stderr()[-400:])
            again = s.post("/api/v1/exercises", {"pack": "english", "seed": 11}, t)[1]
            check(again["prompt"] == english["prompt"], (english, again))
            check(len([p for p, pack in s.children() if pack == FRENCH]) == 1, s.children())
        finally:
            check(s.stop() == 0, "exit status")
    finally:
        cleanup(d)


def test_server_killed_mid_load():
    d = tempdir()
    db = os.path.join(d, "k.db")
    try:
        s = Server(BINARY, [FRENCH], db, ["--learner-rate", "0", "--address-rate", "0"])
        learners = [s.join("L%d" % i) for i in range(8)]
        acked, lock, stop = [], threading.Lock(), threading.Event()

        def learner(token):
            try:
                while not stop.is_set():
                    ex = s.post("/api/v1/exercises", {"pack": "french"}, token)[1]
                    st, body, _ = s.post("/api/v1/exercises/%s/answers" % ex["id"], {"response": "le chat noir"},
                                         token)
                    if st == 201:
                        with lock:
                            acked.append(body["answer"])
            except Exception:  # the server went away mid-request: that answer was not acknowledged
                pass

        threads = [threading.Thread(target=learner, args=(t,)) for t in learners]
        for th in threads:
            th.start()
        deadline = time.time() + 20
        while time.time() < deadline and len(acked) < 40:
            time.sleep(0.05)
        s.proc.send_signal(signal.SIGKILL)
        s.proc.wait()
        stop.set()
        for th in threads:
            th.join()
        check(len(acked) >= 40, len(acked))
        con = sqlite3.connect(db)
        check(con.execute("PRAGMA integrity_check").fetchone()[0] == "ok", "integrity")
        stored = {row[0] for row in con.execute("SELECT id FROM answers")}
        con.close()
        check(set(acked) <= stored, set(acked) - stored)
        # The server starts again on that database.
        s = Server(BINARY, [FRENCH], db)
        st, body, _ = s.get("/api/v1/learners/me/history", learners[0])
        check(st == 200 and body["answers"], body)
        check(s.stop() == 0, "exit status")
    finally:
        cleanup(d)


run([
    ("a killed worker is restarted", test_worker_killed),
    ("the server killed mid-load loses no acknowledged answer", test_server_killed_mid_load),
])
