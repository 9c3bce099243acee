#!/usr/bin/env python3
"""A sentence drill for language learners, run by oxa as its driver program.

    oxa -d examples/drill/drill.py > /dev/null        (or: make drill LANG=french)

oxa starts this program with two pipes: what it prints is typed into the
editor, and what the editor sends to the driver (EMIT with flag 1, ASK
answers, the "START" ... "END" sentence hand-over) arrives on its standard
input.  The drill loads a language pack, and for each question generates a
sentence, shows it to the learner, lets the learner look at it and then write
it from memory, types the answer into the editor, runs the error analysis and
shows a report of the words that were right, in the wrong form, misspelt,
missing or extra.  Typing q quits, and the editor exits.

Settings come from the environment (oxa passes no arguments to a driver):
  DRILL_LANG     language pack under examples/ (english, french; default english)
  DRILL_PACK     a pack directory of your own instead
  DRILL_SEED     random seed (default: from the clock)
  DRILL_ANSWERS  a file of answers, one a line: the drill then runs without a
                 terminal, shows everything on standard error, and quits at a
                 line "q" or at the end of the file.
"""

import os
import sys
import time

# ---- What the editor sends ---------------------------------------------------

# The corefile that holds the error-analysis report.  Everything that reads
# the report depends only on this number and on parse_report below.
REPORT_COREFILE = 15

EMIT_END = "$$$"


def parse_report(lines):
    """Reads one error-analysis report: returns a dict with the expected
    sentence, the response, the score, and the words in each class.

    Each entry of "right", "form", "spelling", "missing" and "extra" is a
    (expected word, written word, detail) triple; a word that is not there
    is "".  The report lines are:
        BEST ROOT : R2 / SCORE : n / EXPECTED : ... / RESPONSE : ...
        Ci --  MISSING  word
        -- Sj  EXTRA    word
        Ci Sj   EXACT|MORPH|APPROX|PHONO|LEX  expected/written  details
        CORRECT
        ***
    A line of none of these forms continues the details of the line before.
    """
    report = {"expected": "", "response": "", "score": None, "correct": False,
              "right": [], "form": [], "spelling": [], "missing": [], "extra": []}
    classes = {"EXACT": "right", "MORPH": "form", "LEX": "form",
               "APPROX": "spelling", "PHONO": "spelling"}
    last = None
    for raw in lines:
        line = raw.rstrip()
        head, _, value = line.partition(" : ")
        head = head.strip()
        words = line.split()
        if head == "EXPECTED":
            report["expected"] = value.strip()
        elif head == "RESPONSE":
            report["response"] = value.strip()
        elif head == "SCORE":
            try:
                report["score"] = int(value)
            except ValueError:
                pass
        elif head == "BEST ROOT" or line == "***" or not words:
            last = None
        elif line == "CORRECT":
            report["correct"] = True
        elif len(words) >= 4 and words[1] == "--" and words[2] == "MISSING":
            last = None
            report["missing"].append((words[3], "", ""))
        elif len(words) >= 4 and words[0] == "--" and words[2] == "EXTRA":
            last = None
            report["extra"].append(("", words[3], ""))
        elif len(words) >= 4 and words[0].startswith("C") and words[1].startswith("S") \
                and words[2] in classes:
            expected, _, written = words[3].partition("/")
            last = (classes[words[2]], [expected, written, " ".join(words[4:])])
            report[last[0]].append(last[1])
        elif last is not None:
            last[1][2] = (last[1][2] + " " + line.strip()).strip()
    for key in ("right", "form", "spelling"):
        report[key] = [tuple(entry) for entry in report[key]]
    return report


def format_report(report):
    """The learner's view of a report, as lines of text."""
    out = []
    if report["correct"]:
        out.append("  All correct!")
    else:
        def listing(label, entries, show):
            if entries:
                out.append("  %-11s %s" % (label, ", ".join(show(e) for e in entries)))
        listing("right:", report["right"], lambda e: e[0])
        listing("wrong form:", report["form"],
                lambda e: "%s (you wrote %s)" % (e[0], e[1]))
        listing("misspelt:", report["spelling"],
                lambda e: "%s (you wrote %s)" % (e[0], e[1]))
        listing("missing:", report["missing"], lambda e: e[0])
        listing("extra:", report["extra"], lambda e: e[1])
        if not any(report[k] for k in ("right", "form", "spelling", "missing", "extra")):
            out.append("  (no analysis)")
    if report["score"] is not None:
        out.append("  score: %d (0 is perfect)" % report["score"])
    return out


# ---- Typing into the editor ------------------------------------------------------

COMMAND_KEY = "\x03"
RETURN = "\r"
GENERATE = "\x1bg"
LINE_START = "\x1bD"
ANALYSE = "\x1bK"

# The keys that type each accented letter (the editor's initial key map).
ACCENT_KEYS = {
    "â": "\x1bA", "ê": "\x1bE", "î": "\x1bI", "ô": "\x1bO", "û": "\x1bU",
    "ç": "\x1bc", "é": "\x1be", "í": "\x1bi", "ó": "\x1bo",
    "ñ": "\x1b[N", "à": "\x1b[a", "è": "\x1b[e", "ì": "\x1b[i", "ò": "\x1b[o",
    "ù": "\x1b[u", "á": "\xe1",
}


def keys_for(text):
    """The keystrokes that type `text`; a character without a key becomes '?'."""
    out = []
    for ch in text:
        if ch in ACCENT_KEYS:
            out.append(ACCENT_KEYS[ch])
        elif " " <= ch <= "~":
            out.append(ch)
        elif ch == "\t":
            out.append(" ")
        else:
            out.append("?")
    return "".join(out)


class Editor:
    """The two pipes to the editor: keystrokes out, replies in (Latin-1)."""

    def __init__(self, keys_out, replies_in):
        self.out = keys_out
        self.inp = replies_in

    def type(self, text):
        self.out.write(text.encode("latin-1"))
        self.out.flush()

    def command(self, text):
        """Runs one command; command mode is assumed (and stays on)."""
        self.type(COMMAND_KEY + text + RETURN)

    def readline(self):
        line = self.inp.readline()
        if not line:
            raise EOFError("the editor has gone away")
        return line.decode("latin-1").rstrip("\r\n")

    def emit(self, corefile):
        """The lines of a corefile, sent by EMIT to the driver."""
        self.command("EM%d|||1" % corefile)
        lines = []
        while True:
            line = self.readline()
            if line == EMIT_END:
                return lines
            lines.append(line)

    def sentence(self, tree):
        """The sentence of a tree (VTALK), or None when there is none.  An
        ASK for the result register follows, so that a missing sentence
        cannot leave the drill waiting."""
        self.command("VT%d" % tree)
        self.command("AS2")
        line = self.readline()
        if line.startswith("START") and line.endswith("END"):
            self.readline()  # the ASK answer
            return line[len("START"):-len("END")]
        return None


# ---- The learner ---------------------------------------------------------------------

class Learner:
    """Where the learner reads and answers: the terminal, or a file of
    answers with the display on standard error."""

    def __init__(self):
        path = os.environ.get("DRILL_ANSWERS")
        if path:
            self.answers = open(path, encoding="utf-8")
            self.screen = sys.stderr
            self.keyboard = None
        else:
            self.answers = None
            self.keyboard = open("/dev/tty", "r", encoding="utf-8", errors="replace")
            self.screen = open("/dev/tty", "w", encoding="utf-8", errors="replace")

    @property
    def interactive(self):
        return self.answers is None

    def show(self, text=""):
        self.screen.write(text + "\n")
        self.screen.flush()

    def ask(self, prompt):
        """One line from the learner; None at the end of the answers."""
        source = self.keyboard if self.interactive else self.answers
        self.screen.write(prompt)
        self.screen.flush()
        line = source.readline()
        if not line:
            if not self.interactive:
                self.show()
            return None
        line = line.rstrip("\r\n")
        if not self.interactive:
            self.show(line)
        return line

    def hide(self):
        """Clears the terminal, so that the sentence is written from memory."""
        if self.interactive:
            self.screen.write("\x1b[H\x1b[2J")
            self.screen.flush()


# ---- The drill -------------------------------------------------------------------------

PACK_FILES = [("AT", "attributes"), ("TM", "terminals"), ("LE", "lexicon"),
              ("MO", "morphology"), ("TB", "tables"), ("SY", "syntax"),
              ("TG", "tags"), ("MR", "merrors"), ("IP", "phonology")]
# Error-analysis costs, and the phonology passes (whose confirmation waits
# for a return).
SETTINGS = ["ES10|2|5|3|2|4", "MP21|8|0|0|0" + RETURN]
ANSWER_COREFILE = 3
SENTENCE_TREE = 2     # ANSWER: the tree the analysis compares with
NAME_LIMIT = 48       # the editor's file and directory parameters


def pack_directory():
    if os.environ.get("DRILL_PACK"):
        return os.path.abspath(os.environ["DRILL_PACK"])
    lang = os.environ.get("DRILL_LANG") or "english"
    here = os.path.dirname(os.path.abspath(__file__))
    return os.path.join(os.path.dirname(here), lang)


def load_pack(editor, learner, pack):
    """Moves the editor into the pack's directory and loads every file."""
    missing = [name for _, name in PACK_FILES if not os.path.isfile(os.path.join(pack, name))]
    if missing:
        learner.show("drill: %s lacks %s" % (pack, ", ".join(missing)))
        return False
    where = os.path.relpath(pack)
    if len(where) > NAME_LIMIT:
        where = pack
    if len(where) > NAME_LIMIT:
        learner.show("drill: the path %s is too long for the editor" % pack)
        return False
    editor.command("CD" + where)
    for cmd, name in PACK_FILES:
        editor.command(cmd + name)
    for setting in SETTINGS:
        editor.command(setting)
    errors = [line for line in editor.emit(7) if line.startswith("ERROR")]
    for line in errors:
        learner.show("drill: " + line)
    return True


def question(editor, learner, number):
    """One question; returns its report, or None when the learner quits."""
    editor.command("CO%d" % REPORT_COREFILE)
    editor.command("CL")
    editor.command("CO%d" % ANSWER_COREFILE)
    editor.command("CL")
    editor.type(RETURN + GENERATE)
    sentence = editor.sentence(SENTENCE_TREE)
    if sentence is None:
        learner.show("drill: no sentence was generated; check the language pack")
        return None
    learner.show()
    learner.show("Question %d.  Read this sentence:" % number)
    learner.show()
    learner.show("    " + sentence)
    learner.show()
    if learner.interactive:
        ready = learner.ask("Press Enter, then write it from memory (q quits). ")
        if ready is None or ready.strip() == "q":
            return None
        learner.hide()
    answer = learner.ask("Your answer: ")
    if answer is None or answer.strip() == "q":
        return None
    if not answer.strip():
        learner.show("  (no answer: skipped)")
        return {"correct": False}
    editor.type(RETURN + keys_for(answer) + LINE_START + ANALYSE)
    report = parse_report(editor.emit(REPORT_COREFILE))
    learner.show("Expected: " + (report["expected"] or sentence))
    for line in format_report(report):
        learner.show(line)
    return report


def main():
    keys_out = sys.stdout.buffer
    replies_in = sys.stdin.buffer
    editor = Editor(keys_out, replies_in)
    try:
        learner = Learner()
    except OSError as err:
        sys.stderr.write("drill: no terminal to ask on (%s); give DRILL_ANSWERS\n" % err)
        editor.command("BY" + RETURN * 20)
        return
    seed = os.environ.get("DRILL_SEED")
    seed = int(seed) if seed and seed.isdigit() else int(time.time()) % 100000
    try:
        if load_pack(editor, learner, pack_directory()):
            editor.command("RA%d" % (seed | 1))
            learner.show("Sentence drill: %s (seed %d).  Type q to stop."
                         % (os.path.basename(pack_directory()), seed | 1))
            asked = correct = 0
            while True:
                report = question(editor, learner, asked + 1)
                if report is None:
                    break
                asked += 1
                correct += 1 if report["correct"] else 0
            learner.show("%d question(s), %d written without a fault.  Goodbye." % (asked, correct))
        # GOODBYE, and a return for each unsaved-corefile warning.
        editor.command("BY" + RETURN * 20)
    except (EOFError, BrokenPipeError):
        pass


if __name__ == "__main__":
    main()
