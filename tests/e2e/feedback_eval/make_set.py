#!/usr/bin/env python3
"""Builds the evaluation set of the learner feedback: for each language,
sentences the example pack generates (one per seed), and for each kind of
mistake learners make, answers with that mistake put in by hand-written
rules, each with the class a teacher gives it.

    python3 make_set.py build/oxa > /dev/null     (writes english.set, french.set)

Each line of a set: kind|class|expected word|seed|answer  (the expected
word is where the mistake is; for ORDER the two words swapped).  A line
"# seed: sentence" before each sentence's answers shows what was generated.
"""
import os
import random
import re
import shutil
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
SOURCE = os.path.dirname(os.path.dirname(os.path.dirname(HERE)))
FILES = ["attributes", "terminals", "lexicon", "morphology", "tables", "syntax"]


def command(text):
    return "\x03" + text + "\r"


def sentences(oxa, lang, seeds):
    """The ANSWER sentence generated for each seed, from a fresh lexicon each."""
    work = tempfile.mkdtemp()
    try:
        for f in FILES:
            shutil.copy(os.path.join(SOURCE, "examples", lang, f), work)
        keys = "".join(command(c) for c in ["ATattributes", "TMterminals", "LElexicon",
                                            "MOmorphology", "TBtables", "SYsyntax"])
        # The lexicon is read again before each draw: a generation may change
        # the frequencies of the words it draws.
        for s in seeds:
            keys += command("LElexicon") + command("RA%d" % s) + "\r\x1bg"
        keys += command("EM7") + command("BY") + "\r" * 20
        out = subprocess.run([oxa], input=keys.encode(), capture_output=True, cwd=work,
                             timeout=300).stdout.decode("latin-1").replace("\r", "")
    finally:
        shutil.rmtree(work)
    got = [l.split(": ", 1)[1].strip() for l in out.split("\n")
           if l.startswith("Answer") and ": " in l]
    return list(zip(seeds, got))


def lexicon(lang):
    entries = []
    with open(os.path.join(SOURCE, "examples", lang, "lexicon"), encoding="utf-8") as f:
        for line in f:
            if not line.startswith('"'):
                continue
            fields = line.rstrip("\n").split("|")
            entries.append({"word": fields[0].strip('"'), "class": fields[1],
                            "attrs": fields[2].split(","), "fields": fields})
    return entries


KEYBOARD = "qwertyuiop asdfghjkl zxcvbnm".split()


def neighbour(ch, rng):
    for row in KEYBOARD:
        k = row.find(ch)
        if k >= 0:
            options = [row[j] for j in (k - 1, k + 1) if 0 <= j < len(row)]
            return rng.choice(options)
    return None


def slip(word, rng):
    """A keyboard slip in a word of four letters or more: a neighbouring key,
    or two letters swapped."""
    if len(word) < 4 or not word.isalpha():
        return None
    k = rng.randrange(1, len(word) - 1)
    if rng.random() < 0.5 and word[k] != word[k + 1]:
        return word[:k] + word[k + 1] + word[k] + word[k + 2:]
    n = neighbour(word[k], rng)
    return word[:k] + n + word[k + 1:] if n else None


# ---- English ---------------------------------------------------------------

EN_HOMOPHONES = {"some": "sum", "see": "sea", "sees": "seas", "our": "hour", "eight": "ate",
                 "read": "red", "write": "rite", "new": "knew", "sun": "son", "son": "sun",
                 "tea": "tee", "meat": "meet", "your": "yore", "here": "hear", "week": "weak",
                 "two": "too", "pear": "pair", "flower": "flour", "sail": "sale", "tail": "tale"}
EN_GENDER = {"he": "she", "she": "he", "him": "her", "her": "him"}


def english_mistakes(words, lex, rng):
    """(kind, class, expected word, answer words) for one sentence."""
    out = []
    by_word = {e["word"]: e for e in lex}
    nouns = [e["word"] for e in lex if e["class"] == "N" and e["fields"][4] == "#1"
             and e["fields"][5] == "$plural"]
    irregular_past = {e["fields"][8].strip('"'): e["word"] for e in lex
                      if e["class"] == "V" and e["fields"][4] == "#1" and len(e["fields"]) > 8
                      and e["fields"][8].startswith('"')}
    irregular_plural = {e["fields"][8].strip('"'): e["word"] for e in lex
                        if e["class"] == "N" and "$irrnoun" in e["fields"][5]}

    def put(i, w):
        return words[:i] + [w] + words[i + 1:]

    for i, w in enumerate(words):
        if w in EN_HOMOPHONES:
            out.append(("homophone", "SOUND", w, put(i, EN_HOMOPHONES[w])))
        if w in EN_GENDER:
            out.append(("gender", "FORM", w, put(i, EN_GENDER[w])))
        if w in irregular_past and irregular_past[w] != w:
            base = irregular_past[w]
            reg = base + ("d" if base.endswith("e") else "ed")
            out.append(("overregularised", "FORM", w, put(i, reg)))
        if w in irregular_plural and irregular_plural[w] != w:
            out.append(("overregularised", "FORM", w, put(i, irregular_plural[w] + "s")))
        if w in ("a", "an") and i + 1 < len(words):
            out.append(("article", "FORM", w, put(i, "an" if w == "a" else "a")))
        if w == "the" and i + 1 < len(words):
            out.append(("article", "WORD", w, put(i, "a" if words[i + 1][-1] != "s" else "some")))
        # agreement: a plural noun made singular and back; a verb's -s
        if w.endswith("s") and w[:-1] in nouns:
            out.append(("agreement", "FORM", w, put(i, w[:-1])))
        elif w in nouns and i > 0 and words[i - 1] in ("the", "my", "your", "our", "every", "this"):
            out.append(("agreement", "FORM", w, put(i, w + "s")))
        if i > 0 and w.endswith("ed") and w not in by_word:
            stem = w[:-2] if w[:-2] in by_word else w[:-1] if w[:-1] in by_word else None
            if stem:
                out.append(("tense", "FORM", w, put(i, stem + "s" if stem[-1] not in "sh" else stem)))
        if i > 0 and w.endswith("s") and w[:-1] in by_word and by_word[w[:-1]]["class"] == "V":
            stem = w[:-1]
            out.append(("tense", "FORM", w, put(i, stem + ("d" if stem.endswith("e") else "ed"))))
        if w in nouns and len(nouns) > 1:
            other = rng.choice([n for n in nouns if n != w])
            out.append(("wrong word", "WORD", w, put(i, other)))
        elif w.endswith("s") and w[:-1] in nouns:
            other = rng.choice([n for n in nouns if n != w[:-1]])
            out.append(("wrong word", "WORD", w, put(i, other + "s")))
        s = slip(w, rng)
        if s and s not in by_word:
            out.append(("keyboard slip", "SPELLING", w, put(i, s)))
    if len(words) >= 2:
        k = rng.randrange(len(words) - 1)
        if words[k] != words[k + 1]:
            out.append(("order", "ORDER", words[k] + " " + words[k + 1],
                        words[:k] + [words[k + 1], words[k]] + words[k + 2:]))
    return out


# ---- French ----------------------------------------------------------------

FR_HOMOPHONES = {"ont": "on", "sont": "son", "est": "et", "ces": "ses", "mes": "mais",
                 "a": "à", "ou": "où", "et": "est", "voient": "voyent"}
FR_GENDER = {"il": "elle", "elle": "il", "ils": "elles", "elles": "ils", "le": "la",
             "la": "le", "un": "une", "une": "un", "ce": "cette", "cette": "ce"}
ACCENTS = {"é": "e", "è": "e", "ê": "e", "à": "a", "â": "a", "ç": "c", "î": "i", "ô": "o",
           "û": "u"}
FR_OVERREGULAR = {"vont": "allent", "faites": "faisez", "font": "faisent", "prennent": "prendent",
                  "prenons": "prendons", "prenez": "prendez",
                  "êtes": "êtez", "sont": "êtent", "avons": "avoirons"}


def french_mistakes(words, lex, rng):
    out = []
    by_word = {e["word"]: e for e in lex}
    nouns = {e["word"]: e for e in lex if e["class"] == "N"}

    def put(i, w):
        return words[:i] + [w] + words[i + 1:]

    for i, w in enumerate(words):
        if w in FR_HOMOPHONES:
            cls = "ACCENT" if w == "a" else "SOUND"
            out.append(("homophone", cls, w, put(i, FR_HOMOPHONES[w])))
        if re.search("ez$", w) and i > 0 and words[i - 1] == "vous":
            out.append(("homophone", "SOUND", w, put(i, w[:-2] + "er")))
        accented = [k for k, c in enumerate(w) if c in ACCENTS]
        if accented:
            k = rng.choice(accented)
            out.append(("accent", "ACCENT", w, put(i, w[:k] + ACCENTS[w[k]] + w[k + 1:])))
        if w in FR_GENDER and (i + 1 < len(words) or w in ("il", "elle", "ils", "elles")):
            out.append(("gender", "FORM", w, put(i, FR_GENDER[w])))
        if w in FR_OVERREGULAR:
            out.append(("overregularised", "FORM", w, put(i, FR_OVERREGULAR[w])))
        if w.endswith("aux") and w[:-3] + "al" in nouns:
            out.append(("overregularised", "FORM", w, put(i, w[:-3] + "als")))
        if w.endswith("eaux") and w[:-1] in nouns:
            out.append(("overregularised", "FORM", w, put(i, w[:-1] + "s")))
        if w.endswith("s") and w[:-1] in nouns:
            out.append(("agreement", "FORM", w, put(i, w[:-1])))
        if w.endswith("ent") and i > 0 and words[i - 1] in ("ils", "elles") and w != "sont":
            out.append(("agreement", "FORM", w, put(i, w[:-3] + "e" if not w.endswith("aient")
                                                   else w[:-5] + "ait")))
        m = re.match(r"^(.*)(ait|ais)$", w)
        if m and i > 0 and words[i - 1] not in ("je", "tu", "il", "elle", "on") or not m:
            pass
        if m and i > 0 and words[i - 1] in ("il", "elle", "on") and m.group(1) + "er" in by_word:
            out.append(("tense", "FORM", w, put(i, m.group(1) + "e")))
        if w.endswith("ons") and i > 0 and words[i - 1] == "nous" and w[:-3] + "er" in by_word:
            out.append(("tense", "FORM", w, put(i, w[:-3] + "ions")))
        if w in nouns:
            same = [n for n, e in nouns.items() if n != w and e["attrs"][0] == nouns[w]["attrs"][0]
                    and not n[0] in "aeiouéh" and not w[0] in "aeiouéh"]
            if same:
                out.append(("wrong word", "WORD", w, put(i, rng.choice(same))))
        if w.endswith("'") and i + 1 < len(words):
            full = {"l'": rng.choice(["le", "la"]), "j'": "je", "qu'": "que", "d'": "de"}.get(w)
            if full:
                out.append(("elision", "FORM", w, put(i, full)))
        if w == "cet":
            out.append(("elision", "FORM", w, put(i, "ce")))
        s = slip(w, rng)
        if s and s not in by_word:
            out.append(("keyboard slip", "SPELLING", w, put(i, s)))
    if len(words) >= 2:
        k = rng.randrange(len(words) - 1)
        if words[k] != words[k + 1] and not words[k].endswith("'"):
            out.append(("order", "ORDER", words[k] + " " + words[k + 1],
                        words[:k] + [words[k + 1], words[k]] + words[k + 2:]))
    return out


def split(sentence):
    """Words as the feedback counts them: an elided word apart."""
    out = []
    for w in sentence.split():
        m = re.match(r"^((?:j|l|qu|n|c|s|d)')(.+)$", w)
        if m:
            out += [m.group(1), m.group(2)]
        else:
            out.append(w)
    return out


def join(words):
    text = " ".join(words)
    return re.sub(r"\b((?:j|l|qu|n|c|s|d)') ", r"\1", text)


def build(oxa, lang, make, per_kind=45):
    rng = random.Random(20261211)
    seeds = [1000003 + 7919 * k for k in range(1400)]
    lex = lexicon(lang)
    cases = {}
    lines = []
    for seed, sentence in sentences(oxa, lang, seeds):
        words = split(sentence)
        mistakes = make(words, lex, rng)
        rng.shuffle(mistakes)
        taken = False
        # Several mistakes at once: two on different words, and the chain
        # of 0 to 3 mistakes and an all-wrong answer, whose scores must rise.
        single = [m for m in mistakes if m[0] != "order"]
        apart = []
        for m in single:
            at = next(k for k, (a, b) in enumerate(zip(words, m[3])) if a != b)
            if all(at != x[0] for x in apart) and len(m[3]) == len(words):
                apart.append((at, m))
        if len(apart) >= 2 and len(cases.setdefault("several", [])) < per_kind:
            (i, m1), (j, m2) = apart[0], apart[1]
            both = list(words)
            both[i], both[j] = m1[3][i], m2[3][j]
            cases["several"].append(1)
            lines.append("# %d: %s" % (seed, sentence))
            taken = True
            lines.append("several|%s+%s|%s+%s|%d|%s" % (m1[1], m2[1], m1[2], m2[2], seed,
                                                        join(both)))
        if len(apart) >= 3 and len(cases.setdefault("chain", [])) < per_kind:
            cases["chain"].append(1)
            chain = list(words)
            steps = [join(chain)]
            for at, m in apart[:3]:
                chain[at] = m[3][at]
                steps.append(join(chain))
            steps.append(" ".join("zq" * (k + 2) for k in range(len(words))))
            if not taken:
                lines.append("# %d: %s" % (seed, sentence))
                taken = True
            for n, answer in enumerate(steps):
                lines.append("chain|%d|-|%d|%s" % (n, seed, answer))
        for kind, cls, where, answer in mistakes:
            if len(cases.setdefault(kind, [])) >= per_kind or kind in [m[0] for m in cases.get("_seen", [])]:
                continue
            cases[kind].append(1)
            if not taken:
                lines.append("# %d: %s" % (seed, sentence))
                taken = True
            lines.append("%s|%s|%s|%d|%s" % (kind, cls, where, seed, join(answer)))
    with open(os.path.join(HERE, lang + ".set"), "w", encoding="utf-8") as f:
        f.write("# kind|class|expected word|seed|answer  (made by make_set.py)\n")
        f.write("\n".join(lines) + "\n")
    return {k: len(v) for k, v in cases.items()}


if __name__ == "__main__":
    oxa = sys.argv[1] if len(sys.argv) > 1 else os.path.join(SOURCE, "build", "oxa")
    print("english", build(oxa, "english", english_mistakes), file=sys.stderr)
    print("french", build(oxa, "french", french_mistakes), file=sys.stderr)
