// The teacher's dashboard: classes, learners, their answers with feedback,
// replays, the mistakes chart, the words most often missed, CSV export.
"use strict";

(function () {
  const $ = (id) => document.getElementById(id);
  let token = sessionStorage.getItem("oxa.teacher");
  let classes = [];
  let answers = [];
  let selected = null; // learner name, or null for the whole class

  const current = () => classes.find((c) => c.code === $("class").value);

  async function login(ev) {
    ev.preventDefault();
    token = $("token").value.trim();
    try {
      await loadClasses();
      sessionStorage.setItem("oxa.teacher", token);
    } catch (e) {
      $("login-error").textContent = e.message;
      token = null;
    }
  }

  async function loadClasses(keep) {
    classes = (await oxa.call("GET", "/api/v1/classes", token)).classes;
    $("login").hidden = true;
    $("dashboard").hidden = false;
    const sel = $("class");
    oxa.clear(sel);
    classes.forEach((c) => sel.appendChild(oxa.el("option", c.name + " (" + c.code + ")" + (c.open ? "" : " \u2014 closed"), { value: c.code })));
    if (keep) sel.value = keep;
    await loadClass();
  }

  async function loadClass() {
    const c = current();
    if (!c) return;
    $("code").textContent = c.code;
    $("toggle").textContent = c.open ? "Stop class" : "Restart class";
    const summary = await oxa.call("GET", "/api/v1/classes/" + c.code + "/summary", token);
    answers = (await oxa.call("GET", "/api/v1/classes/" + c.code + "/answers", token)).answers;
    const body = $("learners");
    oxa.clear(body);
    summary.learners.forEach((l) => {
      const tr = oxa.el("tr");
      const td = oxa.el("td");
      const b = oxa.el("button", l.name, { type: "button", class: "link" });
      b.addEventListener("click", () => showLearner(l.name));
      td.appendChild(b);
      tr.appendChild(td);
      tr.appendChild(oxa.el("td", l.answers));
      tr.appendChild(oxa.el("td", l.answers ? l.percent + "%" : "\u2014"));
      tr.appendChild(oxa.el("td", oxa.when(l.last_seen)));
      body.appendChild(tr);
    });
    $("status").textContent = summary.learners.length + " learners, " + answers.length + " answers";
    draw();
  }

  // Mistakes of each kind, counted up answer by answer over time.
  function draw() {
    const mine = answers.filter((a) => !selected || a.learner === selected);
    $("chart-title").textContent = "Mistakes over time (" + (selected ? selected : "whole class") + ")";
    const totals = {}, series = {};
    mine.forEach((a) => {
      a.findings.forEach((f) => {
        const cls = f["class"];
        if (oxa.right(cls)) return;
        totals[cls] = (totals[cls] || 0) + 1;
        (series[cls] = series[cls] || []).push([a.time, totals[cls]]);
      });
    });
    const list = Object.keys(series).sort().map((cls) => ({ name: oxa.className(cls), points: series[cls] }));
    const ymax = Math.max(1, ...Object.values(totals));
    if (list.length) oxa.chart($("chart"), list, ymax, "Mistakes of each kind over time");
    else { oxa.clear($("chart")); $("chart").appendChild(oxa.el("p", "No mistakes yet.")); }
    const missed = {};
    mine.forEach((a) => a.findings.forEach((f) => {
      if (!oxa.right(f["class"]) && f.expected) {
        const k = f.expected + " (" + oxa.className(f["class"]) + ")";
        missed[k] = (missed[k] || 0) + 1;
      }
    }));
    const ul = $("missed");
    oxa.clear(ul);
    Object.entries(missed).sort((x, y) => y[1] - x[1]).slice(0, 10)
      .forEach(([k, n]) => ul.appendChild(oxa.el("li", k + ": " + n)));
  }

  function showLearner(name) {
    selected = name;
    $("learner").hidden = false;
    $("learner-title").textContent = "Answers of " + name;
    const body = $("learner-answers");
    oxa.clear(body);
    answers.filter((a) => a.learner === name).reverse().forEach((a) => {
      const tr = oxa.el("tr");
      tr.appendChild(oxa.el("td", oxa.when(a.time)));
      tr.appendChild(oxa.el("td", a.prompt));
      tr.appendChild(oxa.el("td", a.response, { class: "response" }));
      const fb = oxa.el("td");
      const ul = oxa.el("ul", null, { class: "findings" });
      a.findings.filter((f) => f["class"] !== "OK").forEach((f) => ul.appendChild(oxa.el("li", oxa.explain(f))));
      if (!ul.firstChild) ul.appendChild(oxa.el("li", "all right"));
      fb.appendChild(ul);
      tr.appendChild(fb);
      tr.appendChild(oxa.el("td", a.percent + "%"));
      const td = oxa.el("td");
      const b = oxa.el("button", "Replay", { type: "button" });
      b.addEventListener("click", () => replay(a.exercise));
      td.appendChild(b);
      tr.appendChild(td);
      body.appendChild(tr);
    });
    draw();
  }

  async function replay(id) {
    try {
      const e = await oxa.call("GET", "/api/v1/exercises/" + id, token);
      $("replay").textContent = "Replay (" + e.pack + ", seed " + e.seed + "): " + e.replayed_prompt + " \u2192 expected: " + e.expected;
    } catch (err) {
      $("replay").textContent = err.message;
    }
  }

  // The CSV, fetched with the token and handed to the browser as a file.
  window.oxaExportCsv = async function () {
    const c = current();
    const text = await oxa.call("GET", "/api/v1/classes/" + c.code + "/answers.csv", token);
    const url = URL.createObjectURL(new Blob([text], { type: "text/csv" }));
    const a = oxa.el("a", null, { href: url, download: "answers-" + c.code + ".csv" });
    document.body.appendChild(a);
    a.click();
    a.remove();
    setTimeout(() => URL.revokeObjectURL(url), 1000);
    return text;
  };

  document.addEventListener("DOMContentLoaded", () => {
    $("login-form").addEventListener("submit", login);
    $("class").addEventListener("change", () => { selected = null; $("learner").hidden = true; loadClass(); });
    $("copy").addEventListener("click", async () => {
      try { await navigator.clipboard.writeText($("code").textContent); $("status").textContent = "Code copied"; }
      catch (e) { $("status").textContent = "Copy the code: " + $("code").textContent; }
    });
    $("toggle").addEventListener("click", async () => {
      const c = current();
      await oxa.call("POST", "/api/v1/classes/" + c.code + (c.open ? "/close" : "/open"), token, {});
      await loadClasses(c.code);
    });
    $("csv").addEventListener("click", () => window.oxaExportCsv());
    $("all").addEventListener("click", () => { selected = null; $("learner").hidden = true; draw(); });
    $("new-class").addEventListener("submit", async (ev) => {
      ev.preventDefault();
      const c = await oxa.call("POST", "/api/v1/classes", token, { name: $("new-name").value });
      $("new-name").value = "";
      await loadClasses(c.code);
    });
    if (token) loadClasses().catch(() => { sessionStorage.removeItem("oxa.teacher"); token = null; });
  });
})();
