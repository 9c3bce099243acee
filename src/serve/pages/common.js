// Shared by both pages: calls to the API, safe text, and small SVG charts.
// Every text from the server or the user goes through textContent, never
// into markup.
"use strict";

const oxa = {};

oxa.call = async function (method, path, token, body) {
  const headers = {};
  if (token) headers["Authorization"] = "Bearer " + token;
  if (body !== undefined) headers["Content-Type"] = "application/json";
  const res = await fetch(path, { method, headers, body: body === undefined ? undefined : JSON.stringify(body) });
  const type = res.headers.get("Content-Type") || "";
  const data = type.startsWith("application/json") ? await res.json() : await res.text();
  if (!res.ok) {
    const err = new Error((data && data.error) || ("error " + res.status));
    err.status = res.status;
    err.field = data && data.field;
    throw err;
  }
  return data;
};

// An element with text (never markup) and attributes.
oxa.el = function (tag, text, attrs) {
  const e = document.createElement(tag);
  if (text !== undefined && text !== null) e.textContent = String(text);
  for (const k in attrs || {}) e.setAttribute(k, attrs[k]);
  return e;
};

oxa.clear = function (e) {
  while (e.firstChild) e.removeChild(e.firstChild);
};

oxa.when = function (ms) {
  const d = new Date(ms);
  return d.toLocaleDateString() + " " + d.toLocaleTimeString([], { hour: "2-digit", minute: "2-digit" });
};

// Classes that count as right.
oxa.right = function (cls) {
  return cls === "OK" || cls === "CASE" || cls === "PUNCTUATION";
};

// The learner's words for a kind of mistake.
oxa.classNames = {
  FORM: "wrong form", ACCENT: "accent", SPELLING: "spelling", SOUND: "spelt as it sounds",
  WORD: "another word", RELATED: "related word", ORDER: "word order", MISSING: "missing word",
  EXTRA: "extra word", CASE: "capital letter", PUNCTUATION: "punctuation",
};
oxa.className = function (cls) {
  return oxa.classNames[cls] || cls.toLowerCase();
};

// One sentence about a finding: "wrong form: plural expected".
oxa.explain = function (f) {
  const what = oxa.className(f["class"]);
  const word = f["class"] === "EXTRA" ? f.typed : f.expected;
  const detail = f.explanation && f.explanation !== what ? ": " + f.explanation : "";
  return "\u201c" + word + "\u201d \u2014 " + what + detail;
};

const SVG = "http://www.w3.org/2000/svg";
oxa.svg = function (tag, attrs) {
  const e = document.createElementNS(SVG, tag);
  for (const k in attrs || {}) e.setAttribute(k, attrs[k]);
  return e;
};

// A line chart: series = [{name, points: [[x, y], ...]}], y from 0 to ymax.
oxa.chart = function (holder, series, ymax, label) {
  oxa.clear(holder);
  const W = 320, H = 140, P = 24;
  const svg = oxa.svg("svg", { viewBox: "0 0 " + W + " " + H, width: "100%", role: "img", "aria-label": label });
  svg.appendChild(oxa.svg("line", { x1: P, y1: H - P, x2: W - 4, y2: H - P, class: "axis" }));
  svg.appendChild(oxa.svg("line", { x1: P, y1: 4, x2: P, y2: H - P, class: "axis" }));
  const top = oxa.svg("text", { x: 2, y: 12, class: "tick" });
  top.textContent = String(ymax);
  svg.appendChild(top);
  let xs = [];
  series.forEach((s) => s.points.forEach((p) => xs.push(p[0])));
  const x0 = Math.min(...xs), x1 = Math.max(...xs);
  const sx = (x) => (x1 === x0 ? (P + W) / 2 : P + ((x - x0) / (x1 - x0)) * (W - P - 10));
  const sy = (y) => H - P - (y / (ymax || 1)) * (H - P - 8);
  series.forEach((s, i) => {
    const g = oxa.svg("g", { class: "series s" + (i % 8) });
    const title = oxa.svg("title");
    title.textContent = s.name;
    g.appendChild(title);
    g.appendChild(oxa.svg("polyline", { points: s.points.map((p) => sx(p[0]) + "," + sy(p[1])).join(" ") }));
    s.points.forEach((p) => g.appendChild(oxa.svg("circle", { cx: sx(p[0]), cy: sy(p[1]), r: 3 })));
    svg.appendChild(g);
  });
  holder.appendChild(svg);
  if (series.length > 1) {
    const legend = oxa.el("ul", null, { class: "legend" });
    series.forEach((s, i) => legend.appendChild(oxa.el("li", s.name, { class: "s" + (i % 8) })));
    holder.appendChild(legend);
  }
};
