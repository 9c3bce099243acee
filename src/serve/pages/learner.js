// The learner's page: join, practise exercise after exercise, see the
// feedback word by word, and the history.
"use strict";

(function () {
  const $ = (id) => document.getElementById(id);
  const ACCENTS = {
    french: ["é", "è", "ê", "ë", "à", "â", "ç", "î", "ï", "ô", "ù", "û", "œ"],
    english: [],
  };
  let token = localStorage.getItem("oxa.learner");
  let exercise = null;

  function show(joined) {
    $("join").hidden = joined;
    $("practice").hidden = !joined;
    $("history").hidden = !joined;
  }

  async function join(ev) {
    ev.preventDefault();
    $("join-error").textContent = "";
    try {
      const r = await oxa.call("POST", "/api/v1/learners", null, { class: $("join-code").value, name: $("join-name").value });
      token = r.learner;
      localStorage.setItem("oxa.learner", token);
      await start();
    } catch (e) {
      $("join-error").textContent = e.message;
    }
  }

  function accents() {
    const box = $("accents");
    oxa.clear(box);
    (ACCENTS[$("pack").value] || []).forEach((ch) => {
      const b = oxa.el("button", ch, { type: "button", "aria-label": "type " + ch });
      b.addEventListener("click", () => {
        const input = $("answer");
        const at = input.selectionStart ?? input.value.length;
        const end = input.selectionEnd ?? at;
        input.value = input.value.slice(0, at) + ch + input.value.slice(end);
        input.focus();
        input.setSelectionRange(at + ch.length, at + ch.length);
      });
      box.appendChild(b);
    });
  }

  async function next() {
    $("answer-error").textContent = "";
    try {
      exercise = await oxa.call("POST", "/api/v1/learners/me/next", token, { pack: $("pack").value, kind: $("kind").value });
      $("instruction").textContent = exercise.kind === "question" ? "Answer this question:" : "Read this sentence, then write it from memory:";
      $("prompt").textContent = exercise.prompt;
      $("prompt").classList.remove("covered");
      $("prompt").setAttribute("lang", exercise.pack === "french" ? "fr" : "en");
      $("feedback").hidden = true;
      $("answer").value = "";
      $("answer").focus();
    } catch (e) {
      if (e.status === 401) return leave();
      $("answer-error").textContent = e.message;
    }
  }

  // A sentence to write from memory is covered once the learner starts.
  function cover() {
    if (!exercise || exercise.kind !== "statement" || $("prompt").classList.contains("covered")) return;
    $("prompt").classList.add("covered");
    $("prompt").textContent = "(covered: write it from memory)";
  }

  function feedback(r) {
    $("feedback").hidden = false;
    $("percent").textContent = r.percent + "%";
    const marked = $("marked");
    oxa.clear(marked);
    const list = $("explanations");
    oxa.clear(list);
    r.findings.forEach((f, i) => {
      if (i) marked.appendChild(document.createTextNode(" "));
      const cls = f["class"];
      if (oxa.right(cls)) {
        marked.appendChild(oxa.el("span", f.typed || f.expected, { class: "ok" }));
        if (cls === "OK") return;
      } else if (cls === "MISSING") {
        marked.appendChild(oxa.el("span", "\u2038" + f.expected, { class: "mistake missing", title: oxa.className(cls) }));
      } else {
        marked.appendChild(oxa.el("mark", f.typed, { class: "mistake " + cls.toLowerCase(), title: oxa.className(cls) }));
      }
      list.appendChild(oxa.el("li", oxa.explain(f), { class: "finding " + cls.toLowerCase() }));
    });
    $("expected").textContent = r.expected;
    if (exercise.kind === "statement") {
      $("prompt").classList.remove("covered");
      $("prompt").textContent = exercise.prompt;
    }
  }

  async function answer(ev) {
    ev.preventDefault();
    $("answer-error").textContent = "";
    if (!exercise) return;
    try {
      const r = await oxa.call("POST", "/api/v1/exercises/" + exercise.id + "/answers", token, { response: $("answer").value });
      feedback(r);
      history();
    } catch (e) {
      $("answer-error").textContent = e.message;
    }
  }

  async function history() {
    const h = await oxa.call("GET", "/api/v1/learners/me/history", token);
    $("who").textContent = h.name + " \u00b7 class " + h["class"];
    const body = $("answers");
    oxa.clear(body);
    const counts = {};
    h.answers.forEach((a) => {
      const tr = oxa.el("tr");
      tr.appendChild(oxa.el("td", oxa.when(a.time)));
      tr.appendChild(oxa.el("td", a.prompt));
      tr.appendChild(oxa.el("td", a.response, { class: "response" }));
      tr.appendChild(oxa.el("td", a.percent + "%"));
      body.appendChild(tr);
      a.findings.forEach((f) => { if (!oxa.right(f["class"])) counts[f["class"]] = (counts[f["class"]] || 0) + 1; });
    });
    const m = $("mistakes");
    oxa.clear(m);
    Object.entries(counts).sort((x, y) => y[1] - x[1]).slice(0, 5)
      .forEach(([cls, n]) => m.appendChild(oxa.el("li", oxa.className(cls) + ": " + n)));
    if (!m.firstChild) m.appendChild(oxa.el("li", "none yet"));
    const points = h.answers.slice().reverse().map((a, i) => [i + 1, a.percent]);
    if (points.length) oxa.chart($("chart"), [{ name: "percent", points }], 100, "Percent over time");
  }

  function leave() {
    localStorage.removeItem("oxa.learner");
    token = null;
    show(false);
  }

  async function start() {
    show(true);
    try {
      const packs = await oxa.call("GET", "/api/v1/packs");
      const sel = $("pack");
      oxa.clear(sel);
      packs.packs.forEach((p) => sel.appendChild(oxa.el("option", p.name, { value: p.name })));
      accents();
      await history();
      await next();
    } catch (e) {
      if (e.status === 401) leave();
    }
  }

  document.addEventListener("DOMContentLoaded", () => {
    $("join-form").addEventListener("submit", join);
    $("answer-form").addEventListener("submit", answer);
    $("answer").addEventListener("input", cover);
    $("next").addEventListener("click", next);
    $("next2").addEventListener("click", next);
    $("again").addEventListener("click", () => { $("feedback").hidden = true; $("answer").value = ""; $("answer").focus(); });
    $("pack").addEventListener("change", () => { accents(); next(); });
    $("kind").addEventListener("change", next);
    $("leave").addEventListener("click", leave);
    if (token) start(); else show(false);
  });
})();
