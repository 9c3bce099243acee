"""Runs a real oxa-serve on a loopback port with a temporary database, and
talks to it: the API tests, the fault tests and the browser tests share it.

    python3 X_test.py OXA_SERVE SOURCE_DIR ARTEFACT_DIR
"""

import http.client
import json
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import traceback


class Server:
    """One oxa-serve process; stop() ends it with SIGTERM."""

    def __init__(self, binary, packs, db, extra=(), token_file=None):
        args = [binary, "--listen", "127.0.0.1:0", "--db", db]
        for p in packs:
            args += ["--pack", p]
        if token_file:
            args += ["--token-file", token_file]
        args += list(extra)
        self.log = tempfile.TemporaryFile()
        self.proc = subprocess.Popen(args, stdout=subprocess.PIPE, stderr=self.log)
        self.url = self.token = self.code = None
        deadline = time.time() + 20
        while time.time() < deadline and not (self.url and self.token and self.code):
            line = self.proc.stdout.readline().decode()
            if not line:
                break
            if "listening on " in line:
                self.url = line.split("listening on ")[1].strip()
            elif line.startswith("teacher token: "):
                self.token = line.split(": ")[1].strip()
            elif line.startswith("class code: "):
                self.code = line.split(": ")[1].strip()
        if not self.url:
            raise RuntimeError("oxa-serve did not start:\n" + self.stderr())
        self.port = int(self.url.rstrip("/").rsplit(":", 1)[1])

    def request(self, method, path, body=None, token=None, raw=None, headers=None):
        """(status, parsed JSON or text, headers)."""
        conn = http.client.HTTPConnection("127.0.0.1", self.port, timeout=60)
        h = dict(headers or {})
        if token:
            h["Authorization"] = "Bearer " + token
        data = raw if raw is not None else (json.dumps(body).encode() if body is not None else None)
        if data is not None:
            h["Content-Type"] = "application/json"
        conn.request(method, path, body=data, headers=h)
        resp = conn.getresponse()
        text = resp.read()
        conn.close()
        kind = resp.getheader("Content-Type", "")
        if kind.startswith("application/json"):
            return resp.status, json.loads(text.decode("utf-8")), resp
        return resp.status, text.decode("utf-8", "replace"), resp

    def get(self, path, token=None):
        return self.request("GET", path, token=token)

    def post(self, path, body=None, token=None, **kw):
        return self.request("POST", path, body=body, token=token, **kw)

    def join(self, name="Ana", code=None):
        status, body, _ = self.post("/api/v1/learners", {"class": code or self.code, "name": name})
        assert status == 201, (status, body)
        return body["learner"]

    def stderr(self):
        self.log.seek(0)
        return self.log.read().decode("utf-8", "replace")

    def children(self):
        """The worker processes: (pid, pack directory)."""
        out = []
        for task in os.listdir("/proc/%d/task" % self.proc.pid):
            try:
                with open("/proc/%d/task/%s/children" % (self.proc.pid, task)) as f:
                    pids = [int(p) for p in f.read().split()]
            except OSError:
                continue
            for pid in pids:
                try:
                    with open("/proc/%d/cmdline" % pid, "rb") as f:
                        args = f.read().split(b"\0")
                    out.append((pid, args[2].decode()))
                except (OSError, IndexError):
                    pass
        return out

    def stop(self):
        if self.proc.poll() is None:
            self.proc.send_signal(signal.SIGTERM)
            try:
                return self.proc.wait(timeout=30)
            except subprocess.TimeoutExpired:
                self.proc.kill()
                return self.proc.wait()
        return self.proc.returncode


def check(cond, what):
    if not cond:
        raise AssertionError(what)


def run(tests, on_failure=None):
    """Runs each test(name, function) and exits 1 if any failed;
    on_failure(name) keeps what shows the failure."""
    failed = 0
    for name, fn in tests:
        try:
            fn()
            print("ok     %s" % name)
        except Exception:  # a failure of any kind is reported and counted
            failed += 1
            print("FAILED %s" % name)
            traceback.print_exc()
            if on_failure:
                on_failure(name)
        sys.stdout.flush()
    print("%d of %d passed" % (len(tests) - failed, len(tests)))
    sys.exit(1 if failed else 0)


BINARY, SOURCE, ARTEFACTS = sys.argv[1], sys.argv[2], sys.argv[3] if len(sys.argv) > 3 else tempfile.mkdtemp()
os.makedirs(ARTEFACTS, exist_ok=True)
FRENCH = os.path.join(SOURCE, "examples", "french")
ENGLISH = os.path.join(SOURCE, "examples", "english")


def tempdir():
    d = tempfile.mkdtemp(prefix="oxa-serve-test-")
    return d


def cleanup(d):
    shutil.rmtree(d, ignore_errors=True)
