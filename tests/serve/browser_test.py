"""The pages in headless Chromium (the Debian browser and driver, driven by
Selenium) against a real oxa-serve: a learner joins, answers with accents
and a mistake, sees the marks and explanations and the history; the teacher
sees the answer on the dashboard, in the chart and in the CSV; an answer
holding markup is shown as text on both pages.  Screenshots of each page go
to the artefact folder."""

import os
import shutil
import tempfile

from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.by import By
from selenium.webdriver.common.keys import Keys
from selenium.webdriver.support import expected_conditions as EC
from selenium.webdriver.support.ui import Select, WebDriverWait

from harness import (ARTEFACTS, BINARY, ENGLISH, FRENCH, Server, check, cleanup, run, tempdir)

WORK = tempdir()
S = Server(BINARY, [FRENCH, ENGLISH], os.path.join(WORK, "b.db"), ["--learner-rate", "1000"])
PROFILE = tempfile.mkdtemp(prefix="oxa-chromium-")
HOSTILE = '<script>window.pwned=1</script> "quoted" <b>bold</b>'


def browser():
    opts = webdriver.ChromeOptions()
    opts.binary_location = shutil.which("chromium") or "/usr/bin/chromium"
    for flag in ["--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
                 "--disable-background-networking", "--disable-component-update", "--disable-sync",
                 "--user-data-dir=" + PROFILE, "--window-size=1100,1500", "--lang=en"]:
        opts.add_argument(flag)
    driver = shutil.which("chromedriver") or "/usr/bin/chromedriver"
    return webdriver.Chrome(service=Service(driver), options=opts)


D = browser()
WAIT = WebDriverWait(D, 20)
STATE = {}


def by_id(i):
    return D.find_element(By.ID, i)


def wait_text(i, pred=lambda t: bool(t.strip())):
    WAIT.until(lambda d: pred(d.find_element(By.ID, i).text))
    return by_id(i).text


def test_learner_joins_and_answers():
    D.get(S.url)
    by_id("join-code").send_keys(S.code.lower())
    by_id("join-name").send_keys("Zoé", Keys.ENTER)  # keyboard alone: Enter joins
    wait_text("prompt")
    check(by_id("join").get_attribute("hidden") is not None, "join form still shown")
    Select(by_id("pack")).select_by_value("french")
    WAIT.until(lambda d: d.find_elements(By.CSS_SELECTOR, "#accents button"))
    WAIT.until(lambda d: by_id("prompt").get_attribute("lang") == "fr" and by_id("prompt").text)
    prompt = by_id("prompt").text
    check(by_id("answer").get_attribute("id") == D.switch_to.active_element.get_attribute("id"), "focus")
    words = prompt.split()
    # The last word left out, and extra words with accents: two typed, one
    # from the accent buttons.
    answer = by_id("answer")
    answer.send_keys(" ".join(words[:-1]) + " à ç")
    check("covered" in by_id("prompt").text, by_id("prompt").text)  # written from memory
    D.find_element(By.CSS_SELECTOR, "#accents button[aria-label='type é']").click()
    check(answer.get_attribute("value").endswith("à çé"), answer.get_attribute("value"))
    answer.send_keys(Keys.ENTER)
    wait_text("percent")
    percent = int(by_id("percent").text.rstrip("%"))
    check(0 <= percent < 100, percent)
    marks = D.find_elements(By.CSS_SELECTOR, "#marked .mistake")
    texts = [m.text for m in marks]
    check("çé" in texts and "à" in texts and ("\u2038" + words[-1]) in texts, texts)
    explained = by_id("explanations").text
    check("missing word" in explained and "extra word" in explained, explained)
    check(by_id("expected").text == prompt, (by_id("expected").text, prompt))
    STATE["prompt"], STATE["response"] = prompt, answer.get_attribute("value")
    WAIT.until(lambda d: STATE["response"] in by_id("answers").text)
    check(D.find_elements(By.CSS_SELECTOR, "#chart circle"), "no point in the learner's chart")
    check("missing word" in by_id("mistakes").text, by_id("mistakes").text)
    D.save_screenshot(os.path.join(ARTEFACTS, "learner.png"))


def test_try_again_next_and_escaping():
    by_id("again").click()
    check(by_id("answer").get_attribute("value") == "" and by_id("feedback").get_attribute("hidden") is not None,
          "try again")
    by_id("answer").send_keys(HOSTILE, Keys.ENTER)
    wait_text("percent")
    WAIT.until(lambda d: HOSTILE in by_id("answers").text)
    check(D.execute_script("return window.pwned") is None, "markup ran")
    check(not D.find_elements(By.CSS_SELECTOR, "#answers b, #marked b"), "markup became elements")
    before = by_id("prompt").text
    by_id("next2").click()
    WAIT.until(lambda d: by_id("feedback").get_attribute("hidden") is not None)
    check(by_id("prompt").text, before)


def test_phone_width():
    D.set_window_size(390, 844)
    D.refresh()
    wait_text("prompt")
    width = D.execute_script("return document.documentElement.scrollWidth")
    check(width <= 390, width)
    D.save_screenshot(os.path.join(ARTEFACTS, "learner-phone.png"))
    D.set_window_size(1100, 1500)


def test_teacher_dashboard():
    D.get(S.url + "teacher")
    by_id("token").send_keys("wrong-token-wrong", Keys.ENTER)
    wait_text("login-error")
    by_id("token").clear()
    by_id("token").send_keys(S.token, Keys.ENTER)
    WAIT.until(lambda d: "Zoé" in by_id("learners").text)
    check(S.code == by_id("code").text, by_id("code").text)
    row = by_id("learners").text
    check("2" in row and "%" in row, row)
    check(D.find_elements(By.CSS_SELECTOR, "#chart circle"), "no point in the chart")
    check("missing word" in by_id("chart").text or D.find_elements(By.CSS_SELECTOR, "#chart polyline"), "chart")
    check(STATE["prompt"].split()[-1] in by_id("missed").text, by_id("missed").text)
    D.find_element(By.CSS_SELECTOR, "#learners button").click()
    WAIT.until(lambda d: HOSTILE in by_id("learner-answers").text)
    check(D.execute_script("return window.pwned") is None, "markup ran")
    check(STATE["response"] in by_id("learner-answers").text, by_id("learner-answers").text)
    D.find_elements(By.CSS_SELECTOR, "#learner-answers button")[-1].click()
    WAIT.until(lambda d: "expected: " + STATE["prompt"] in by_id("replay").text)
    csv = D.execute_async_script("window.oxaExportCsv().then(arguments[0])")
    check(STATE["response"] in csv and '""quoted""' in csv, csv)
    D.save_screenshot(os.path.join(ARTEFACTS, "teacher.png"))


def test_forms_named_in_words():
    # A wrong form (seed 1: "je montre ces boulangers", answered in the
    # singular) is explained with the pack's names, not its codes.
    learner = S.join("Yann")
    _, ex, _ = S.post("/api/v1/exercises", {"pack": "french", "seed": 1}, learner)
    status, body, _ = S.post("/api/v1/exercises/%s/answers" % ex["id"],
                             {"response": "je montre ces boulanger"}, learner)
    check(status == 201, (status, body))
    D.refresh()
    WAIT.until(lambda d: "Yann" in by_id("learners").text)
    row = [r for r in D.find_elements(By.CSS_SELECTOR, "#learners tr") if "Yann" in r.text][0]
    row.find_element(By.CSS_SELECTOR, "button").click()
    text = wait_text("learner-answers", lambda t: "boulanger" in t)
    check("plural expected, singular typed" in text and "pl expected" not in text, text)


def test_stop_and_start_class():
    by_id("toggle").click()
    WAIT.until(lambda d: by_id("toggle").text == "Restart class")
    status, body, _ = S.post("/api/v1/learners", {"class": S.code, "name": "Late"})
    check(status == 403, (status, body))
    by_id("toggle").click()
    WAIT.until(lambda d: by_id("toggle").text == "Stop class")
    by_id("new-name").send_keys("4C", Keys.ENTER)
    WAIT.until(lambda d: "4C" in by_id("class").text)
    check(by_id("code").text != S.code and len(by_id("code").text) == 6, by_id("code").text)


def test_pages_are_self_contained():
    status, text, resp = S.get("/")
    check(status == 200 and "http" not in text.replace(S.url, ""), "an outside address in the page")
    check("default-src 'self'" in resp.getheader("Content-Security-Policy"), resp.getheader("Content-Security-Policy"))
    check(S.get("/static/nothing.js")[0] == 404 and S.get("/static/../main.cpp")[0] == 404, "static files")


def failed(name):
    D.save_screenshot(os.path.join(ARTEFACTS, "failed-%s.png" % name.replace(" ", "-")[:40]))
    for entry in D.get_log("browser"):
        print("browser:", entry.get("message"))


try:
    run([
        ("a learner joins and answers with accents and a mistake", test_learner_joins_and_answers),
        ("try again, next, and an answer with markup shown as text", test_try_again_next_and_escaping),
        ("the learner's page at a phone's width", test_phone_width),
        ("the teacher's dashboard", test_teacher_dashboard),
        ("wrong forms named in words", test_forms_named_in_words),
        ("stopping and starting a class", test_stop_and_start_class),
        ("the pages load nothing from elsewhere", test_pages_are_self_contained),
    ], failed)
finally:
    D.quit()
    S.stop()
    cleanup(WORK)
    shutil.rmtree(PROFILE, ignore_errors=True)
