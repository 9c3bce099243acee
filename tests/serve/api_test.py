"""The API against a real oxa-serve: every call, every error, replay (also
after a restart and after a pack changes), adaptive selection, the log,
rate limits and stopping on SIGTERM."""

import os
import shutil
import sqlite3

from harness import (BINARY, ENGLISH, FRENCH, Server, check, cleanup, run, tempdir)

WORK = tempdir()
DB = os.path.join(WORK, "class.db")
S = Server(BINARY, [FRENCH, ENGLISH], DB, ["--learner-rate", "1000"])
ANA = S.join("Ana")
BEA = S.join("Bea")


def exercise(token, **body):
    body.setdefault("pack", "french")
    status, ex, _ = S.post("/api/v1/exercises", body, token)
    check(status == 201, (status, ex))
    return ex


def expected_of(ex):
    """The expected answer, as only the teacher sees it (replay)."""
    status, body, _ = S.get("/api/v1/exercises/" + ex["id"], S.token)
    check(status == 200, (status, body))
    return body["expected"]


def answer(token, ex, response):
    return S.post("/api/v1/exercises/%s/answers" % ex["id"], {"response": response}, token)


def test_packs():
    status, body, _ = S.get("/api/v1/packs")
    check(status == 200, status)
    names = [p["name"] for p in body["packs"]]
    check(names == ["english", "french"], names)
    for p in body["packs"]:
        check(len(p["revision"]) == 16 and int(p["revision"], 16) >= 0, p)


def test_classes_and_joining():
    status, body, _ = S.post("/api/v1/classes", {"name": "5B"}, S.token)
    check(status == 201 and len(body["code"]) == 6, (status, body))
    code = body["code"]
    token = S.join("Carla", code.lower())  # a code is taken in either case
    status, summary, _ = S.get("/api/v1/classes/%s/summary" % code, S.token)
    check(status == 200 and [l["name"] for l in summary["learners"]] == ["Carla"], summary)
    # Closed: no joining, no exercises; open again: both work.
    check(S.post("/api/v1/classes/%s/close" % code, {}, S.token)[0] == 200, "close")
    status, body, _ = S.post("/api/v1/learners", {"class": code, "name": "Dan"})
    check((status, body.get("field")) == (403, "class"), (status, body))
    for path in ("/api/v1/exercises", "/api/v1/learners/me/next"):
        status, body, _ = S.post(path, {"pack": "french"}, token)
        check((status, body.get("field")) == (403, "class"), (path, status, body))
    check(S.post("/api/v1/classes/%s/open" % code, {}, S.token)[0] == 200, "open")
    exercise(token)
    status, body, _ = S.get("/api/v1/classes", S.token)
    check(code in [c["code"] for c in body["classes"]], body)


def test_errors():
    ex = exercise(ANA)
    big = "x" * (70 * 1024)
    cases = [
        # method, path, body, token, status, field
        ("POST", "/api/v1/classes", {"name": "x"}, None, 401, "Authorization"),
        ("POST", "/api/v1/classes", {"name": "x"}, ANA, 403, "Authorization"),
        ("POST", "/api/v1/classes", {"name": "x"}, "nonsense", 401, "Authorization"),
        ("POST", "/api/v1/classes", {}, S.token, 400, "name"),
        ("POST", "/api/v1/classes", {"name": "a" * 61}, S.token, 413, "name"),
        ("GET", "/api/v1/classes/NOPE99/summary", None, S.token, 404, "class"),
        ("GET", "/api/v1/classes/%s/summary" % S.code, None, ANA, 403, "Authorization"),
        ("POST", "/api/v1/learners", {"class": "NOPE99", "name": "Eve"}, None, 404, "class"),
        ("POST", "/api/v1/learners", {"class": S.code}, None, 400, "name"),
        ("POST", "/api/v1/learners", {"class": S.code, "name": "a\u0001b"}, None, 400, "name"),
        ("POST", "/api/v1/learners", {"class": S.code, "name": 7}, None, 400, "name"),
        ("POST", "/api/v1/exercises", {"pack": "french"}, None, 401, "Authorization"),
        ("POST", "/api/v1/exercises", {"pack": "french"}, S.token, 403, "Authorization"),
        ("POST", "/api/v1/exercises", {"pack": "klingon"}, ANA, 404, "pack"),
        ("POST", "/api/v1/exercises", {"pack": "../french"}, ANA, 404, "pack"),
        ("POST", "/api/v1/exercises", {}, ANA, 400, "pack"),
        ("POST", "/api/v1/exercises", {"pack": "french", "seed": 0}, ANA, 400, "seed"),
        ("POST", "/api/v1/exercises", {"pack": "french", "seed": -5}, ANA, 400, "seed"),
        ("POST", "/api/v1/exercises", {"pack": "french", "seed": "12"}, ANA, 400, "seed"),
        ("POST", "/api/v1/exercises", {"pack": "french", "seed": 1.5}, ANA, 400, "seed"),
        ("POST", "/api/v1/exercises", {"pack": "french", "seed": 2 ** 31}, ANA, 400, "seed"),
        ("POST", "/api/v1/exercises", {"pack": "french", "seed": 2 ** 64}, ANA, 400, "seed"),
        ("POST", "/api/v1/exercises", {"pack": "french", "kind": "essay"}, ANA, 400, "kind"),
        ("POST", "/api/v1/exercises/%s/answers" % ex["id"], {"response": "x" * 1001}, ANA, 413, "response"),
        ("POST", "/api/v1/exercises/%s/answers" % ex["id"], {"response": "   "}, ANA, 400, "response"),
        ("POST", "/api/v1/exercises/%s/answers" % ex["id"], {}, ANA, 400, "response"),
        ("POST", "/api/v1/exercises/%s/answers" % ex["id"], {"response": "le \u4e2d"}, ANA, 400, "response"),
        ("POST", "/api/v1/exercises/%s/answers" % ex["id"], {"response": "a"}, BEA, 404, "exercise"),
        ("POST", "/api/v1/exercises/%s/answers" % ex["id"], {"response": "a"}, None, 401, "Authorization"),
        ("POST", "/api/v1/exercises/00ff/answers", {"response": "a"}, ANA, 404, "exercise"),
        ("GET", "/api/v1/learners/me/history", None, None, 401, "Authorization"),
        ("POST", "/api/v1/learners/me/next", {"pack": "nope"}, ANA, 404, "pack"),
        ("GET", "/api/v1/nothing", None, None, 404, "path"),
    ]
    for method, path, body, token, status, field in cases:
        got, reply, _ = S.request(method, path, body=body, token=token)
        check((got, reply.get("field")) == (status, field), (method, path, body, got, reply))
        check(isinstance(reply.get("error"), str) and reply["error"], reply)
    raw_cases = [
        # raw body, status, field
        (b'{"response": "caf\xe9"}', 400, "body"),      # Latin-1, not UTF-8
        (b'{"response": ', 400, "body"),                # not JSON
        (b'["response"]', 400, "body"),                 # not an object
        (b'{"response": "\\ud800"}', 400, "body"),      # a lone surrogate
        (('{"response": "%s"}' % big).encode(), 413, "body"),
    ]
    for raw, status, field in raw_cases:
        got, reply, _ = S.post("/api/v1/exercises/%s/answers" % ex["id"], raw=raw, token=ANA)
        check((got, reply.get("field")) == (status, field), (raw[:40], got, reply))


def test_exercise_and_replay():
    a = exercise(ANA, seed=123)
    b = exercise(BEA, seed=123)
    check(a["prompt"] and a["prompt"] == b["prompt"], (a, b))
    check((a["seed"], a["kind"], a["pack"]) == (123, "statement", "french"), a)
    check("expected" not in a, a)  # the learner is not told the answer
    other = exercise(ANA, seed=125)
    check(other["prompt"] != a["prompt"], (other, a))
    status, replay, _ = S.get("/api/v1/exercises/" + a["id"], ANA)
    check(status == 200 and replay["replayed_prompt"] == a["prompt"] and "expected" not in replay, replay)
    check(S.get("/api/v1/exercises/" + a["id"], BEA)[0] == 404, "another learner's exercise")
    q = exercise(ANA, kind="question", seed=7)
    check(q["kind"] == "question" and q["prompt"] != expected_of(q), q)
    unseeded = exercise(ANA)
    check(1 <= unseeded["seed"] < 2 ** 31, unseeded)


def test_answers_feedback_and_history():
    ex = exercise(ANA, seed=321)
    right = expected_of(ex)
    status, body, _ = answer(ANA, ex, right)
    check(status == 201 and body["percent"] == 100 and body["score"] == 0, body)
    check(all(f["class"] == "OK" for f in body["findings"]), body)
    check(body["expected"] == right and body["report"][0].startswith("BEST ROOT"), body)
    words = right.split()
    wrong = " ".join(words[:-1])  # the last word left out
    status, body, _ = answer(ANA, ex, wrong)
    check(status == 201 and body["percent"] < 100 and body["score"] > 0, body)
    missing = [f for f in body["findings"] if f["class"] == "MISSING"]
    check(missing and missing[0]["explanation"], body)
    for f in body["findings"]:
        check(set(f) == {"class", "expected", "typed", "explanation"}, f)
    status, hist, _ = S.get("/api/v1/learners/me/history", ANA)
    check(status == 200 and hist["answers"][0]["response"] == wrong, hist)
    check(hist["answers"][1]["response"] == right and hist["answers"][1]["percent"] == 100, hist)
    check(all(h["exercise"] and h["time"] > 0 for h in hist["answers"]), hist)
    status, other, _ = S.get("/api/v1/learners/me/history", BEA)
    check(all(h["response"] not in (right, wrong) or h["exercise"] != ex["id"] for h in other["answers"]), other)
    status, summary, _ = S.get("/api/v1/classes/%s/summary" % S.code, S.token)
    ana = [l for l in summary["learners"] if l["name"] == "Ana"][0]
    check(ana["answers"] >= 2 and 0 < ana["percent"] < 100, ana)


def test_forms_named_in_words():
    # Seed 1 asks for "je montre ces boulangers"; the singular is a wrong form,
    # explained with the pack's names-english, not its codes.
    ex = exercise(ANA, seed=1)
    right = expected_of(ex)
    check("boulangers" in right.split(), right)
    status, body, _ = answer(ANA, ex, right.replace("boulangers", "boulanger"))
    forms = [f for f in body["findings"] if f["class"] == "FORM"]
    check(status == 201 and len(forms) == 1, body)
    check("plural expected" in forms[0]["explanation"] and "singular" in forms[0]["explanation"], forms)
    check(" pl " not in " %s " % forms[0]["explanation"].replace(",", " "), forms)


def test_accents_and_escaping():
    ex = exercise(ANA, seed=99)
    status, body, _ = answer(ANA, ex, "<script>alert(\"x\")</script> l\u2019été à ça")
    check(status == 201, body)
    # Kept as typed; the engine got the plain apostrophe.
    check(body["response"] == "<script>alert(\"x\")</script> l\u2019été à ça", body["response"])
    status, text, resp = S.get("/api/v1/learners/me/history", ANA)
    check(resp.getheader("Content-Type").startswith("application/json"), resp.getheader("Content-Type"))


def test_adaptive_next():
    learner = S.join("Flo")
    first = S.post("/api/v1/learners/me/next", {"pack": "french"}, learner)[1]
    again = S.post("/api/v1/learners/me/next", {"pack": "french"}, learner)[1]
    check(first["seed"] == again["seed"], (first, again))  # same history, same choice
    check(first["adaptive"]["weak_points_met"] == 0, first)
    # A plural given in the singular: the word and the form "pl" become weak
    # points, and the next exercise meets them.
    ex = exercise(learner, seed=1)
    status, body, _ = answer(learner, ex, "je montre ces boulanger")
    check(status == 201 and [f.get("forms") for f in body["findings"] if f["class"] == "FORM"] == [["pl"]], body)
    nxt = S.post("/api/v1/learners/me/next", {"pack": "french"}, learner)[1]
    check(nxt["adaptive"]["weak_points_met"] > 0, nxt)
    check(S.post("/api/v1/learners/me/next", {"pack": "french"}, learner)[1]["seed"] == nxt["seed"], nxt)


def test_csv_and_class_answers():
    status, body, _ = S.get("/api/v1/classes/%s/answers" % S.code, S.token)
    check(status == 200 and body["answers"], body)
    status, text, resp = S.get("/api/v1/classes/%s/answers.csv" % S.code, S.token)
    check(status == 200 and text.startswith("time,learner,pack"), text[:80])
    check('"<script>alert(""x"")</script> l\u2019été à ça"' in text, text)
    check(S.get("/api/v1/classes/%s/answers.csv" % S.code, ANA)[0] == 403, "learner")


def test_log_lines():
    log = S.stderr()
    check(" GET /api/v1/packs 200 " in log and " ms" in log, log[-500:])
    check(S.token not in log and ANA not in log, "a token in the log")
    check("script" not in log, "a response in the log")


def test_rate_limits():
    d = tempdir()
    try:
        s = Server(BINARY, [FRENCH], os.path.join(d, "r.db"), ["--learner-rate", "3", "--address-rate", "30"])
        try:
            t = s.join()
            got = [s.get("/api/v1/learners/me/history", t) for _ in range(8)]
            statuses = [g[0] for g in got]
            check(429 in statuses and statuses[0] == 200, statuses)
            limited = [g for g in got if g[0] == 429][0]
            check(limited[1]["field"] == "Authorization" and limited[2].getheader("Retry-After") == "1", limited[1])
            statuses = [s.get("/api/v1/packs")[0] for _ in range(60)]
            check(429 in statuses, statuses)
        finally:
            check(s.stop() == 0, "exit status")
    finally:
        cleanup(d)


def test_restart_replay_and_new_revision():
    d = tempdir()
    try:
        pack = os.path.join(d, "french")
        shutil.copytree(FRENCH, pack)
        db = os.path.join(d, "c.db")
        tokenfile = os.path.join(d, "teacher")
        s = Server(BINARY, [pack], db, token_file=tokenfile)
        t = s.join()
        st, ex, _ = s.post("/api/v1/exercises", {"pack": "french", "seed": 4242}, t)
        check(st == 201, ex)
        st, first, _ = s.post("/api/v1/exercises/%s/answers" % ex["id"], {"response": "le chat"}, t)
        check(s.stop() == 0, "SIGTERM exit status")
        check("stopped" in s.stderr(), s.stderr()[-300:])
        # Restarted: the same token, the exercise replays, the answer is graded the same.
        s = Server(BINARY, [pack], db, token_file=tokenfile)
        check(open(tokenfile).read().strip() == s.token, "token file")
        st, replay, _ = s.get("/api/v1/exercises/" + ex["id"], s.token)
        check(st == 200 and replay["replayed_prompt"] == ex["prompt"], replay)
        st, second, _ = s.post("/api/v1/exercises/%s/answers" % ex["id"], {"response": "le chat"}, t)
        check(st == 201 and second["findings"] == first["findings"], (first, second))
        st, fresh, _ = s.post("/api/v1/exercises", {"pack": "french", "seed": 4242}, t)
        check(fresh["prompt"] == ex["prompt"] and fresh["revision"] == ex["revision"], fresh)
        check(s.stop() == 0, "exit status")
        # A changed pack: a new revision; the old answers keep theirs.
        with open(os.path.join(pack, "lexicon"), "a") as f:
            f.write("\n")
        s = Server(BINARY, [pack], db, token_file=tokenfile)
        revision = s.get("/api/v1/packs")[1]["packs"][0]["revision"]
        check(revision != ex["revision"], revision)
        st, body, _ = s.post("/api/v1/exercises/%s/answers" % ex["id"], {"response": "le chat"}, t)
        check((st, body.get("field")) == (404, "exercise"), body)
        hist = s.get("/api/v1/learners/me/history", t)[1]["answers"]
        check({h["revision"] for h in hist} == {ex["revision"]}, hist)
        check(s.stop() == 0, "exit status")
        con = sqlite3.connect(db)
        check(con.execute("PRAGMA journal_mode").fetchone()[0] == "wal", "WAL")
        check(con.execute("PRAGMA user_version").fetchone()[0] >= 1, "schema version")
        con.close()
    finally:
        cleanup(d)


def test_help_and_version():
    import subprocess
    out = subprocess.run([BINARY, "--help"], capture_output=True, text=True)
    check(out.returncode == 0 and "--pack DIR" in out.stdout, out)
    out = subprocess.run([BINARY, "--version"], capture_output=True, text=True)
    check(out.returncode == 0 and out.stdout.startswith("oxa-serve "), out)
    out = subprocess.run([BINARY, "--bogus"], capture_output=True, text=True)
    check(out.returncode == 2 and "unknown argument" in out.stderr, out)
    out = subprocess.run([BINARY, "--pack", FRENCH, "--names", "../x"], capture_output=True, text=True)
    check(out.returncode == 2 and "--names needs" in out.stderr, out)
    out = subprocess.run([BINARY, "--pack", "/nonexistent"], capture_output=True, text=True)
    check(out.returncode == 2 and "no directory" in out.stderr, out)


try:
    run([
        ("packs", test_packs),
        ("classes and joining", test_classes_and_joining),
        ("errors", test_errors),
        ("exercise and replay", test_exercise_and_replay),
        ("answers, feedback and history", test_answers_feedback_and_history),
        ("accents and escaping", test_accents_and_escaping),
        ("adaptive next", test_adaptive_next),
        ("CSV and class answers", test_csv_and_class_answers),
        ("forms named in words", test_forms_named_in_words),
        ("log lines", test_log_lines),
        ("rate limits", test_rate_limits),
        ("restart, replay and a new revision", test_restart_replay_and_new_revision),
        ("help and version", test_help_and_version),
    ])
finally:
    S.stop()
    cleanup(WORK)
