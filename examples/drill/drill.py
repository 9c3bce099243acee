#!/usr/bin/env python3
"""A sentence drill for language learners, run by oxa as its driver program.

    oxa -d examples/drill/drill.py > /dev/null        (or: make drill LANG=french)

oxa starts this program with two pipes: what it prints is typed into the
editor, and what the editor sends to the driver (EMIT with flag 1, ASK
answers, the "START" ... "END" sentence hand-over) arrives on its standard
input.  The drill loads a language pack, and for each question generates a
sentence, shows it to the learner, lets the learner look at it and then write
it from memory, types the answer into the editor, runs the error analysis
with the learner feedback on (GRADE 1) and shows the feedback: the words that
were right, in the wrong form, misspelt, related, out of order, missing or
extra.  Typing q quits, and the editor exits.

Settings come from the environment (oxa passes no arguments to a driver):
  DRILL_LANG     the name of a pack (english, french; default english)
  DRILL_PACK     a pack directory of your own instead, or a pack's name; a name
                 is looked up in the folders of $OXA_PACKS (colon-separated),
                 then in the installed packs, then under examples/
  DRILL_SEED     random seed (default: from the clock)
  DRILL_UI       the language the feedback explains in (english, french;
                 default english): the pack's names-<language> file
  DRILL_ANSWERS  a file of answers, one a line: the drill then runs without a
                 terminal, shows everything on standard error, and quits at a
                 line "q" or at the end of the file.
"""

import os
import sys
import time

# ---- What the editor sends ---------------------------------------------------

# The corefile that holds the learner feedback (GRADE 1).  Everything that
# reads it depends only on this number and on parse_feedback below.
FEEDBACK_COREFILE = 17

EMIT_END = "$$$"


def parse_feedback(lines):
    """Reads one feedback block: returns a dict with the score, the percent,
    the classes the block names (class: (cost, what it means in the
    learner's words)) and the words, each a (class, expected, typed, detail)
    tuple in sentence order.

    The block is:
        FEEDBACK SCORE : n
        FEEDBACK PERCENT : p
        FEEDBACK CLASS NAME cost : words        (each class the block uses)
        NAME expected/typed  detail             (MISSING and EXTRA: one word)
        ***
    """
    feedback = {"score": None, "percent": None, "classes": {}, "words": [], "correct": False}
    for raw in lines:
        line = raw.rstrip()
        head, _, value = line.partition(" : ")
        if line.startswith("FEEDBACK SCORE"):
            feedback.update(words=[], classes={})
        if head in ("FEEDBACK SCORE", "FEEDBACK PERCENT"):
            try:
                feedback[head.split()[1].lower()] = int(value)
            except ValueError:
                pass
            continue
        if head.startswith("FEEDBACK CLASS "):
            parts = head.split()
            if len(parts) == 4 and parts[3].isdigit():
                feedback["classes"][parts[2]] = (int(parts[3]), value)
            continue
        word, _, rest = line.partition(" ")
        if word not in feedback["classes"]:
            continue
        pair, _, detail = rest.partition("  ")
        if word == "MISSING":
            expected, typed = pair, ""
        elif word == "EXTRA":
            expected, typed = "", pair
        else:
            expected, _, typed = pair.partition("/")
        feedback["words"].append((word, expected, typed, detail.strip()))
    feedback["correct"] = bool(feedback["words"]) and all(
        not counted(feedback, w) for w in feedback["words"])
    return feedback


def counted(feedback, word):
    """Whether a word's class adds to the score (the block gives its cost)."""
    return feedback["classes"].get(word[0], (1, ""))[0] > 0


def mistake_line(feedback, word):
    """One mistake: the class in words, the expected and the typed word,
    and why."""
    finding, expected, typed, detail = word
    if finding == "MISSING":
        what = "%s left out" % expected
    elif finding == "EXTRA":
        what = "%s not in the sentence" % typed
    else:
        what = "%s (you wrote %s)" % (expected, typed)
    words = feedback["classes"].get(finding, (1, finding))[1]
    line = "  %-26s %s" % (words + ":", what)
    # The explanation, without the class's own words said again.
    if detail.startswith(words + ": "):
        detail = detail[len(words) + 2:]
    if detail and detail != words and finding not in ("MISSING", "EXTRA"):
        line += ": " + detail
    return line


def format_feedback(feedback):
    """The learner's view of the feedback, as lines of text."""
    out = []
    words = feedback["words"]
    if feedback["correct"]:
        out.append("  All correct!")
    elif not words:
        out.append("  (no analysis)")
    for w in words:
        if counted(feedback, w):
            out.append(mistake_line(feedback, w))
    for w in words:
        if not counted(feedback, w) and w[2] != w[1]:
            out.append("  note: %s (%s; not counted)" % (w[2], w[3]))
    if feedback["score"] is not None:
        if feedback["percent"] is not None:
            out.append("  %d %%  (score %d; 100 %% is perfect, 0 %% is nothing right)"
                       % (feedback["percent"], feedback["score"]))
        else:
            out.append("  score: %d (0 is perfect)" % feedback["score"])
    return out


# ---- Typing into the editor ------------------------------------------------------

COMMAND_KEY = "\x03"
RETURN = "\r"
GENERATE = "\x1bg"
LINE_START = "\x1bD"
ANALYSE = "\x1bK"

# Characters the editor's single-byte text cannot hold, and what stands for
# them: typographic quotes and dashes as their plain forms.
PLAIN = {"\u2019": "'", "\u2018": "'", "\u201c": '"', "\u201d": '"',
         "\u2013": "-", "\u2014": "-", "\u00a0": " "}


def keys_for(text):
    """The keystrokes that type `text`.  Every letter up to U+00FE goes
    through as UTF-8, which the editor decodes; a character beyond that
    becomes its plain form, or '?'."""
    out = []
    for ch in text:
        ch = PLAIN.get(ch, ch)
        if ch == "\t":
            out.append(" ")
        elif " " <= ch <= "~" or "\u00a0" <= ch <= "\u00fe":
            out.append(ch)
        else:
            out.append("?")
    return "".join(out)


class Editor:
    """The two pipes to the editor: keystrokes out, replies in (Latin-1)."""

    def __init__(self, keys_out, replies_in):
        self.out = keys_out
        self.inp = replies_in

    def type(self, text):
        self.out.write(text.encode("utf-8"))
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
# The files a pack must have; the others are loaded when present.
REQUIRED_FILES = ("attributes", "terminals", "lexicon", "syntax")
# Error-analysis costs, the phonology passes (whose confirmation waits for a
# return), and the learner feedback on.
SETTINGS = ["ES10|2|5|3|2|4", "MP21|8|0|0|0" + RETURN, "GR1"]
ANSWER_COREFILE = 3
SENTENCE_TREE = 2     # ANSWER: the tree the analysis compares with
NAME_LIMIT = 48       # the editor's file and directory parameters


def pack_folders():
    """Where a pack is looked up by name: the folders of $OXA_PACKS, then
    the installed packs (share/oxa/packs beside share/oxa/drill), then the
    examples beside the drill in the source tree."""
    here = os.path.dirname(os.path.abspath(__file__))
    folders = [f for f in os.environ.get("OXA_PACKS", "").split(":") if f]
    return folders + [os.path.join(os.path.dirname(here), "packs"), os.path.dirname(here)]


def pack_directory():
    """The pack's directory and None, or None and why there is none.
    DRILL_PACK is a directory or a pack's name; DRILL_LANG a pack's name."""
    name = os.environ.get("DRILL_PACK") or os.environ.get("DRILL_LANG") or "english"
    if os.path.isdir(name):
        return os.path.abspath(name), None
    if "/" not in name:
        for folder in pack_folders():
            if os.path.isfile(os.path.join(folder, name, "syntax")):
                return os.path.abspath(os.path.join(folder, name)), None
    packs = sorted({entry for folder in pack_folders() if os.path.isdir(folder)
                    for entry in os.listdir(folder)
                    if os.path.isfile(os.path.join(folder, entry, "syntax"))})
    return None, "drill: no pack %s (packs: %s)" % (name, " ".join(packs) or "none")


def load_pack(editor, learner, pack):
    """Moves the editor into the pack's directory and loads every file."""
    missing = [name for name in REQUIRED_FILES if not os.path.isfile(os.path.join(pack, name))]
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
        if os.path.isfile(os.path.join(pack, name)):
            editor.command(cmd + name)
    names = "names-" + (os.environ.get("DRILL_UI") or "english")
    if os.path.isfile(os.path.join(pack, names)):
        editor.command("VN" + names)
    for setting in SETTINGS:
        editor.command(setting)
    errors = [line for line in editor.emit(7) if line.startswith("ERROR")]
    for line in errors:
        learner.show("drill: " + line)
    return True


def question(editor, learner, number):
    """One question; returns its feedback, or None when the learner quits."""
    editor.command("CO%d" % FEEDBACK_COREFILE)
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
    feedback = parse_feedback(editor.emit(FEEDBACK_COREFILE))
    learner.show("Expected: " + sentence)
    for line in format_feedback(feedback):
        learner.show(line)
    return feedback


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
    # Without a seed, a large one from the clock: small seeds make the first
    # draws lean towards the first alternatives.
    seed = int(seed) if seed and seed.isdigit() else 1000003 + int(time.time() * 1000) % 2000000000
    try:
        pack, why = pack_directory()
        if why:
            learner.show(why)
        elif load_pack(editor, learner, pack):
            editor.command("RA%d" % (seed | 1))
            learner.show("Sentence drill: %s (seed %d).  Type q to stop."
                         % (os.path.basename(pack), seed | 1))
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
