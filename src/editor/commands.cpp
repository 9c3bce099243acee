// The command processor, the command table and the setter commands.
#include "editor/commands.hpp"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "bormo/feedback.hpp"
#include "bormo/valuenames.hpp"
#include "bormo/gencommands.hpp"
#include "bormo/lextrans.hpp"
#include "bormo/reader.hpp"
#include "bormo/semantic.hpp"
#include "bormo/storedtrees.hpp"
#include "bormo/variants.hpp"
#include "editor/editloop.hpp"
#include "editor/editops.hpp"
#include "editor/encoding.hpp"
#include "editor/evaluator.hpp"
#include "editor/files.hpp"
#include "editor/find.hpp"
#include "editor/frontend.hpp"
#include "editor/input.hpp"
#include "editor/motion.hpp"
#include "editor/paint.hpp"
#include "editor/processes.hpp"
#include "editor/repaint.hpp"
#include "editor/sort.hpp"
#include "editor/store.hpp"
#include "editor/templates.hpp"
#include "editor/terminal.hpp"
#include "editor/typing.hpp"
#include "editor/undo.hpp"
#include "editor/views.hpp"

namespace oxa {

namespace {

constexpr uint32_t W = CMD_W, N = CMD_N, L = CMD_L, R = CMD_R, S = CMD_S;

constexpr const char* FINDPROMPT =
    "0:char; 1:word; 2:line; 3:sent; 4:up; 5:rec; 6:check; 7: pattern";

} // namespace

// Types without a meaningful qualifier carry a blank one.
constexpr CMDSPEC commandrows[] = {
    // name, sideffects, paramtype, defstr, checker, cmdop, prompt, help
    {"FETCH", W | N | L, "f1gUgLcC", "|1|200000||", fpr, fetchfile, nullptr,
     "Read a file (or lines of it) into the corefile, replacing its text; the last field is a record check."},
    {"GOODBYE", 0, "e ", "|", nullptr, goodbye, nullptr,
     "Leave the editor (warns about unsaved corefiles first)."},
    {"OVERWRITE", 0, "f1gUgL", "|1|200000|", fpw, ovrwritefile, nullptr,
     "Write the corefile (or lines of it) over an existing file."},
    {"JOIN", 0, "f1gUgL", "|1|200000|", fpw, join, nullptr,
     "Append the corefile (or lines of it) to the end of a file."},
    {"FIND", L | R, "d7c2", "||", findchk, find, FINDPROMPT,
     "Search forward for a pattern by unit (character, word, line, sentence, backwards, record, check, pattern); leaves insert mode. Ctrl-N finds the next match; ESC n finds again and stays on the match."},
    {"SCANSET", 0, "d7c2", "||", findchk, nullptr, FINDPROMPT,
     "Set the search unit and pattern without searching."},
    {"DELETE", 0, "f1", "|", fpw, deletefile, nullptr,
     "Delete a file from the disk."},
    {"SORT", L | S, "d3j gUgL", "|15|1|200000|", sortchk, sort,
     "0:ascending; 1:descending | keylength | startline | endline",
     "Sort lines ascending or descending on a key of the given length."},
    {"HYPHENS", 0, "d3", "|", nullptr, hyphenset, "degree of hyphenation",
     "Set how eagerly reformatting hyphenates words."},
    {"JUSTIFY", 0, "d1", "|", nullptr, justset, "0:no justification   1:right justify",
     "Turn right justification of reformatted paragraphs on or off."},
    {"SAVE", 0, "f1gUgL", "|1|200000|", faw, savefile, nullptr,
     "Write the corefile to a new file; `*` names the corefile's own file."},
    {"CLEAR", W | N | L, "e ", "|", nullptr, clrfile, nullptr,
     "Empty the corefile."},
    {"POSITION", L, "hUj ", "||", positchk, positn, nullptr,
     "Go to a line and column; `-1` means the last one, `*` a starred line."},
    {"ADVANCE", L, "j j ", "||", nullptr, advance, nullptr,
     "Move the cursor by a number of lines and columns."},
    {"APPEND", S, "f1gUgLcC", "|1|200000||", fpr, appendfile, nullptr,
     "Read a file (or lines of it) to the end of the corefile."},
    {"INSERT", S, "f1gUgLcC", "|1|200000||", fpr, insrtfile, nullptr,
     "Read a file (or lines of it) in below the cursor line."},
    {"GENERATE DISPLAY", 0, "e ", "|", nullptr, gendis, nullptr,
     "Repaint the whole display."},
    {"BEGIN", L, "e ", "|", nullptr, wrwholescreen, nullptr,
     "Go to the first line."},
    {"FUNCTION", 0, "d9c0", "||", nullptr, nullptr, nullptr,
     "Store a text in function key 0 to 9 (braces allowed)."},
    {"TEMPLATE", W, "d4f1", "||", fpr, setspecs, "0,1:record template; 2:merge template",
     "Load a record or merge template."},
    {"PROCEDURE", R, "f1", "|", fpr, loadfile, nullptr,
     "Run a procedure file."},
    {"NAME", N, "f1", "|", nullptr, nmeset, nullptr,
     "Give the corefile a file name."},
    {"MARGINS", 0, "i i ", "||", marginchk, prtabs, nullptr,
     "Set the left and right margins."},
    {"EVALUATE", 0, "cB", "|", nullptr, evaluate, nullptr,
     "Evaluate an arithmetic expression."},
    {"VIEW", S, "d2", "|", nullptr, view, nullptr,
     "Show a view of the loaded files."},
    {"OBJECT", W, "d7", "|", nullptr, objset,
     "0:txt 1:rec/txt 2:rec/tmp 3:lin/txt 4:lin/gr 5:mat/txt 6:mat/gr 7:page",
     "Set the corefile's object type (0 is plain text)."},
    {"CORE", N | L, "i ", "|", nullptr, coreset, nullptr,
     "Switch to corefile 0 to 19."},
    {"RUN", W, "f1", "|", fpx, runprog, nullptr,
     "Run a program file."},
    {"SHELL", 0, "c5", "|", nullptr, calsys, nullptr,
     "Run a shell command."},
    {"UNIX SHELL", 0, "c5", "|", nullptr, calsys, nullptr,
     "Run a shell command."},
    {"CDIRECTORY", 0, "c5", "|", nullptr, changedir,
     "enter directory string; <return> displays current directory",
     "Change the working directory."},
    {"ASK", R, "i f1", "||", nullptr, ask, nullptr,
     "Ask the editor a question by number; the answer goes to the result register."},
    {"KEY", 0, "i i ", "||", nullptr, inkeyset, "enter key and operation",
     "Bind an extended key number to an edit code."},
    {"FONT", 0, "i i ", "||", nullptr, outkeyset, "enter key and output Value",
     "Set the byte sent to the display for a byte."},
    {"EDITOR OPTION", 0, "i ", "|", nullptr, option,
     "0,1,2 RETN opt; 3,4 rpt lim; 5,6 FE opt; 7,8 TAB opt; 9,10 SA opt",
     "Set one option: what RETURN does (0-2), repeat limit off/on (3, 4), fetch style (5, 6), tabs (7, 8), line ends when saving (9, 10)."},
    {"TAB", 0, "i ", "|", nullptr, settabs, "enter tab interval",
     "Set tab stops every n columns."},
    {"EXPRESSION", 0, "c4", "|", nullptr, nullptr, nullptr,
     "Set the expression for merges."},
    {"MERGE", 0, "c3", "|", nullptr, nullptr, nullptr,
     "Merge using a merge string."},
    {"IDENTIFY", 0, "e ", "|", nullptr, identify, nullptr,
     "Show the version."},
    {"WINDOW", 0, "i i ", "|200000|", nullptr, window, nullptr,
     "Set the window's rows and columns."},
    {"EMIT", 0, "i gUgLd1", "|1|200000||", nullptr, emit,
     "corefile | firstline | lastline |0:oxa output, 1:driver input",
     "Write lines of a corefile to standard output (or the driver program)."},
    {"SKEY", 0, "d2", "|", nullptr, skey, "0: ASCII; 1: French unaccented; 2: accents",
     "Choose the sort order: 0 ASCII; 1 alphabetical, an accented letter as its plain letter; 2 by accent only. The sort key starts at the cursor column."},
    {"SWITCH", 0, "d2", "|", nullptr, swinput,
     "0: to keybd/suspend; 1: to driver; 2: to keybd/abort",
     "Switch input between the keyboard and a driver program."},
    {"ATTRIBUTE", 0, "f1", "|", fpr, bormo::vreadattr, "attribute file",
     "Load an attributes file."},
    {"SYNTAX", 0, "f1", "|", fpr, bormo::vreadsyn, "syntax file",
     "Load a syntax file."},
    {"MORPHOLOGY", 0, "f1", "|", fpr, bormo::vreadmorph, "morphology file",
     "Load a morphology file."},
    {"LEXICON", 0, "f1", "|", fpr, bormo::vreadlex, "lexicon file",
     "Load a lexicon file (the terminals file must be loaded)."},
    {"TBLS", 0, "f1", "|", fpr, bormo::vreadtables, "tables file",
     "Load a tables file."},
    {"TMNLS", 0, "f1", "|", fpr, bormo::vreadterm, "terminals file",
     "Load a terminals file."},
    {"USER", 0, "f1", "|", fpr, bormo::vreaduser, "user file",
     "Load a user syntax file."},
    {"IPA", 0, "f1", "|", fpr, bormo::vreadipa, "ipa tables file",
     "Load the sound tables."},
    {"MRPHERROR", 0, "f1", "|", fpr, bormo::vreadmerror, "morph errors file",
     "Load the morphological error tables."},
    {"SMTRANSF", 0, "f1", "|", fpr, bormo::vreadsem, "semantic transf file",
     "Load semantic transformations."},
    {"TGINFO", 0, "f1", "|", fpr, bormo::vreadtags, "tag info file",
     "Load the tag information file."},
    {"LXTRANSF", 0, "f1", "|", fpr, bormo::vreadlextrans, "lexical transf file",
     "Load lexical transformations."},
    {"RM_VFILES", 0, "cA", "|", nullptr, bormo::rm_vfiles, "remove BORMO files",
     "Unload language files by kind (e.g. `tm, sy` or `all`)."},
    {"RXTRANSF", 0, "i ", "|", nullptr, bormo::vinittrans, "transformation number",
     "Start a lexical transformation by number."},
    {"VADDLEX", 0, "f1", "|", fpr, bormo::addlex, "lexicon file",
     "Add a lexicon file's entries to the loaded lexicon."},
    {"MPASSES", 0, "i i i i i ", "0|0|0|0|0|", nullptr, bormo::mpasses, "set morphology passes",
     "Set the morphology passes of a tree: tree number, then up to four fields."},
    {"VDISPLAY", 0, "i ", "|", nullptr, bormo::vdisplay, "0: 1: 2: ...",
     "Show engine state: 0 loaded kinds, 1 and 2 the last trees, 3 rules, 4 transformations, 5 and 6 morphology, 7 lexicon, 8 preselection."},
    {"VFREQ", 0, "cA", "|", nullptr, bormo::vfreq, "vary lexical frequency",
     "Change how often words of a terminal class are chosen."},
    {"VROOTSET", 0, "cA", "|", nullptr, bormo::vrootset, "set error-test roots",
     "Choose which roots the error analysis compares with."},
    {"RANDOM SEED", 0, "i ", "|", nullptr, bormo::rnset, "odd integer",
     "Seed the generator (0 takes the clock) so runs repeat."},
    {"PSEED", 0, "i ", "|", nullptr, bormo::rnprint, "print random seed",
     "Write the random seed to a corefile (0 means corefile 7)."},
    {"TSTINPUT", 0, "f1", "|", fpr, bormo::testinput, "test file",
     "Show how the language-file reader splits a file into tokens."},
    {"VERROR", 0, "i cG", "||", nullptr, bormo::verror, "error function string",
     "Set the procedure run for comparison result 0 to 20."},
    {"STORE", 0, "d2d1", "||", nullptr, bormo::vstoretree,
     "leafnodes(0),fulltrees(1),indenttrees(2)|core(0),driver(1)",
     "Store the generated trees: leaves, full or indented; into corefile 7 or to the driver."},
    {"RECOVER", 0, "cA", "|", nullptr, bormo::vrestoretree, "stored tree filename",
     "Read stored trees back from a file."},
    {"VTALK", 0, "d2", "|", nullptr, bormo::vtalk, "specify root number",
     "Send a root's sentence to the driver program."},
    {"ESCORE", 0, "i i i i i i ", "0|0|0|0|0|0|", nullptr, bormo::escore,
     "missing/extra|order|lex|morph|phon|spell",
     "Set the six error scores."},
    {"PERRORSCORES", 0, "e ", "|", nullptr, bormo::perrorscores, "print error scores",
     "Show the error scores."},
    {"AUTOWRAP", 0, "d1", "|", swautowrap, nullptr, "1: on, 0: off",
     "Turn automatic line wrapping on or off."},
    {"BYE", 0, "e ", "|", nullptr, goodbye, nullptr,
     "Leave the editor (warns about unsaved corefiles first)."},
    {"CHANGE", L | S, "c2cD", "||", changechk, change, "scan pattern | replacement pattern",
     "Replace each match of a pattern from the cursor to the end of the corefile (stars do not matter)."},
    {"DIRECTORY", 0, "k1", "|", nullptr, directory, "B: brief, F: full, T: top",
     "List the directory."},
    {"DTAB", 0, "d1", "|", decimaltab, nullptr, "1: on, 0: off",
     "Turn decimal-tab entry on or off."},
    {"END", L, "e ", "|", nullptr, gotobottom, nullptr,
     "Go to the last page of the text."},
    {"LIST", 0, "fEgUgLi fF", "|1|200000|1||", nullptr, list,
     "file | fromline | toline | numcopies | initfile",
     "Print a file."},
    {"NEWNAME", 0, "f1fD", "||", fpw, newname, "current file name | new file name",
     "Rename a file."},
    {"UPDATE", 0, "e ", "|", nullptr, update, nullptr,
     "Write the corefile back over its own file, keeping the old file as `name.bak`."},
    {"WSHIFT", 0, "i ", "|", shift, nullptr, "enter overlap",
     "Set the overlap of sideways window shifts."},
    {"GRADE", 0, "d1", "|", nullptr, bormo::grade, "1: learner feedback on, 0: off",
     "Turn learner feedback after a comparison on or off."},
    {"VNAMES", 0, "f1", "|", fpr, bormo::vreadnames, "display names file",
     "Load the display names of attribute values that the learner feedback shows."},
    {"**", 0, "", "", nullptr, nullptr, nullptr, nullptr},
};
const std::span<const CMDSPEC> commands(commandrows);

// Key rules of the parameter types.
constexpr std::array<std::array<ParamAction, NPCLASS>, NPTYPE> optable = {{
    // return, printable, digit, letter, rubout, `-`, `*`, `|`
    {PA_END, PA_ACCEPT, PA_ACCEPT, PA_ACCEPT, PA_RUBOUT, PA_ACCEPT, PA_ACCEPT, PA_NEXT},   // c
    {PA_END, PA_IGNORE, PA_DIGITMAX, PA_IGNORE, PA_RUBOUT, PA_IGNORE, PA_IGNORE, PA_NEXT}, // d
    {PA_END, PA_IGNORE, PA_IGNORE, PA_IGNORE, PA_RUBOUT, PA_IGNORE, PA_IGNORE, PA_NEXT},   // e
    {PA_END, PA_IGNORE, PA_NOSTAR, PA_NOSTAR, PA_RUBOUT, PA_NOSTAR, PA_FIRST, PA_NEXT},    // f
    {PA_END, PA_IGNORE, PA_NOSTAR, PA_IGNORE, PA_RUBOUT, PA_IGNORE, PA_FIRST, PA_NEXT},    // g
    {PA_END, PA_IGNORE, PA_NOSTAR, PA_IGNORE, PA_RUBOUT, PA_FIRST, PA_FIRST, PA_NEXT},     // h
    {PA_END, PA_IGNORE, PA_ACCEPT, PA_IGNORE, PA_RUBOUT, PA_IGNORE, PA_IGNORE, PA_NEXT},   // i
    {PA_END, PA_IGNORE, PA_ACCEPT, PA_IGNORE, PA_RUBOUT, PA_FIRST, PA_IGNORE, PA_NEXT},    // j
    {PA_END, PA_IGNORE, PA_IGNORE, PA_FIRST, PA_RUBOUT, PA_IGNORE, PA_IGNORE, PA_NEXT},    // k
}};
static_assert(optable.size() == 9);

std::array<int32_t, NPARAM> param;
int32_t paramcount;
int32_t sptr;
int32_t tptr;
std::array<char, 128> pstring;
int32_t cmdptr;

strparam curfile;
strparam scanpattern;
strparam mrgstring;
strparam expression;
strparam sysstring;
strparam termstring;
strparam picstring;
strparam mathstring;
strparam recboolcheck;
strparam targetstring;
strparam listfile;
strparam listinitfile;
strparam v_error;

int32_t lmargin = 1;
int32_t rmargin = 72;
// Stops every 8 columns from column 1.
constexpr std::array<uint8_t, NTABS> initialtabs() {
    std::array<uint8_t, NTABS> t{};
    for (int c = 1; c < NTABS; c += 8)
        t[static_cast<size_t>(c)] = 1;
    return t;
}
std::array<uint8_t, NTABS> tabs = initialtabs();
int32_t jmode;
int32_t hyphlevel;
int32_t scanunit;
int32_t crinsert = 1;
int32_t fetchstyle = 1;
int32_t octflag;
int32_t lfonly = 1;
int32_t askanswers = 1;

namespace {

const CMDSPEC& row() {
    return commands[static_cast<size_t>(cmdptr)];
}

// Number of parameters of a row.
int nparams(const CMDSPEC& c) {
    return static_cast<int>(std::strlen(c.paramtype) / 2);
}

char curtype() {
    return row().paramtype[tptr];
}
char curqual() {
    return row().paramtype[tptr + 1];
}

// Start in `pstring` of the field being typed.
int fieldstart() {
    int i = sptr;
    while (i > 0 && pstring[static_cast<size_t>(i - 1)] != '|')
        --i;
    return i;
}

void putpstring(int ch) {
    pstring[static_cast<size_t>(sptr++)] = static_cast<char>(ch);
    pstring[static_cast<size_t>(sptr)] = 0;
}

// Appends a typed character, within the 48 the user may type, and echoes it.
void acceptkey(int ch) {
    if (sptr >= PSTRINGMAX) return;
    putpstring(ch);
    putcmdlett(ch);
}

// The buffer a string parameter with this qualifier goes to, and whether the
// brace notation applies; null for an unknown qualifier.
char* strdest(char qual, int& size, bool& braces) {
    size = STRSIZE;
    braces = false;
    switch (qual) {
    case '0': {
        braces = true;
        size = FNKEYSIZE;
        int n = param[static_cast<size_t>(std::max(paramcount - 1, 0))];
        return n >= 0 && n < NFNKEYS ? fn[static_cast<size_t>(n)].data() : nullptr;
    }
    case '1':
        return curfile.data();
    case '2':
        braces = true;
        return scanpattern.data();
    case '3':
        braces = true;
        return mrgstring.data();
    case '4':
        return expression.data();
    case '5':
        return sysstring.data();
    case '@':
        braces = true;
        return termstring.data();
    case 'A':
        return picstring.data();
    case 'B':
        return mathstring.data();
    case 'C':
        return recboolcheck.data();
    case 'D':
        return targetstring.data();
    case 'E':
        return listfile.data();
    case 'F':
        return listinitfile.data();
    case 'G':
        braces = true;
        return v_error.data();
    default:
        if (qual >= '6' && qual <= '?') {
            braces = true;
            size = FNKEYSIZE;
            return fn[static_cast<size_t>(qual - '6')].data();
        }
        return nullptr;
    }
}

// Line number of a starred line: the first (`last` false) or the last.
int32_t starline(bool last) {
    COREFILE& cf = cur();
    int32_t lo = 0, hi = 0;
    for (LINE* s : {cf.starA, cf.starB}) {
        if (s == nullptr) continue;
        int32_t n = distance(cf.header, s);
        if (lo == 0 || n < lo) lo = n;
        if (n > hi) hi = n;
    }
    if (lo == 0) return last ? 200000 : 1;
    return last ? hi : lo;
}

// Value of an integer field: its digits, negative when a `-` stands anywhere.
int32_t intvalue(const char* f, int n) {
    int64_t v = 0;
    bool neg = false;
    for (int i = 0; i < n; ++i) {
        if (f[i] == '-') neg = true;
        if (f[i] >= '0' && f[i] <= '9') v = std::min<int64_t>(v * 10 + (f[i] - '0'), INT32_MAX);
    }
    return static_cast<int32_t>(neg ? -v : v);
}

// Number of lines in the starred block, 0 without stars.
int32_t starblocklines() {
    COREFILE& cf = cur();
    if (cf.starA == nullptr && cf.starB == nullptr) return 0;
    if (cf.starA == nullptr || cf.starB == nullptr) return 1;
    int32_t a = distance(cf.header, cf.starA), b = distance(cf.header, cf.starB);
    return (a > b ? a - b : b - a) + 1;
}

// Runs a file checker quietly as to `del`: 1 if the file passes.
int32_t filecheck(void (*check)()) {
    int32_t saved = del;
    del = 0;
    check();
    int32_t ok = del == 2 ? 0 : 1;
    del = saved;
    return ok;
}

} // namespace

char* stringparam(char qual, int& size, bool& braces) {
    return strdest(qual, size, braces);
}

void prmptpar(int code) {
    const char* word;
    switch (code) {
    case 0:
        word = "Command ";
        break;
    case 1:
        word = "Typing  ";
        break;
    case 2:
        word = "Insert  ";
        break;
    case 3:
        word = "String  ";
        break;
    case 4:
        word = "Digit   ";
        break;
    case 5:
        word = "<return>";
        break;
    case 6:
        word = "Filename";
        break;
    case 11:
        word = "Letter  ";
        break;
    default:
        word = "Integer ";
        break;
    }
    putstring(word, 'm');
}

int promptcode(char typeletter) {
    if (typeletter < 'c' || typeletter > 'k') return 7;
    return typeletter - 'c' + 3;
}

int paramclass(int code, int ch) {
    if (code == C_RETURN) return PC_RETURN;
    if (code == C_RUBOUT) return PC_RUBOUT;
    if (ch == '-') return PC_MINUS;
    if (ch == '*') return PC_STAR;
    if (ch == '|') return PC_BAR;
    if (code == C_DIGIT) return PC_DIGIT;
    if (code == C_LETTER) return PC_LETTER;
    return PC_PRINT;
}

int paramkey(int cls, int ch) {
    char t = curtype();
    if (t < 'c' || t > 'k') t = 'e';
    const int start = fieldstart();
    const bool empty = start == sptr;
    switch (optable[static_cast<size_t>(t - 'c')][static_cast<size_t>(cls)]) {
    case PA_IGNORE:
        break;
    case PA_ACCEPT:
        acceptkey(ch);
        break;
    case PA_FIRST:
        if (empty) acceptkey(ch);
        break;
    case PA_NOSTAR:
        if (empty || pstring[static_cast<size_t>(start)] != '*') acceptkey(ch);
        break;
    case PA_DIGITMAX:
        if (empty && ch <= curqual()) acceptkey(ch);
        break;
    case PA_END:
        putpstring('|');
        return 1;
    case PA_RUBOUT: {
        if (sptr == 0) return 2;
        char gone = pstring[static_cast<size_t>(--sptr)];
        pstring[static_cast<size_t>(sptr)] = 0;
        backspace();
        if (gone == '|' && tptr >= 2) {
            tptr -= 2;
            --paramcount;
            prmptpar(promptcode(curtype()));
        }
        break;
    }
    case PA_NEXT:
        if (tptr / 2 + 1 >= nparams(row()) || sptr >= PSTRINGMAX) break;
        acceptkey('|');
        tptr += 2;
        ++paramcount;
        prmptpar(promptcode(curtype()));
        break;
    }
    return 0;
}

void applydefaults() {
    int ended = 0;
    for (int i = 0; i < sptr; ++i)
        if (pstring[static_cast<size_t>(i)] == '|') ++ended;
    const char* d = row().defstr;
    for (; ended > 0 && *d != 0; ++d)
        if (*d == '|') --ended;
    for (; *d != 0 && sptr + 1 < static_cast<int>(pstring.size()); ++d)
        putpstring(*d);
}

// Rewrites the letters above 127 of a parameter text in UTF-8, as many as
// the buffer holds whole.
static void utf8letters(std::array<char, PSTRINGMAX + 1>& text) {
    std::array<char, PSTRINGMAX + 1> out{};
    size_t m = 0;
    for (size_t i = 0; text[i] != 0; ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        unsigned char seq[3];
        const size_t k = utf8encode(&c, 1, seq);
        if (m + k > PSTRINGMAX) break;
        std::memcpy(out.data() + m, seq, k);
        m += k;
    }
    text = out;
}

// Ends the text of length len before a UTF-8 sequence cut short at its end.
static void dropcutsequence(char* text, int len) {
    int j = len;
    while (j > 0 && utf8cont(static_cast<unsigned char>(text[j - 1])) && len - j < 3)
        --j;
    if (j == 0) return;
    const int lead = static_cast<unsigned char>(text[j - 1]);
    if (lead >= 0xC0 && len - (j - 1) < utf8length(static_cast<unsigned char>(lead))) text[j - 1] = 0;
}

void convparams() {
    const CMDSPEC& c = row();
    const int count = nparams(c);
    int pos = 0;
    paramcount = 1;
    for (tptr = 0; tptr / 2 < count && paramcount < NPARAM; tptr += 2, ++paramcount) {
        const char* f = pstring.data() + pos;
        int n = 0;
        while (pos + n < sptr && f[n] != '|')
            ++n;
        pos += n + (pos + n < sptr ? 1 : 0);
        int32_t& p = param[static_cast<size_t>(paramcount)];
        const char q = curqual();
        switch (curtype()) {
        case 'c':
        case 'f': {
            p = 0;
            int size;
            bool braces;
            char* dest = strdest(q, size, braces);
            if (dest == nullptr) break;
            std::array<char, PSTRINGMAX + 1> text{};
            std::memcpy(text.data(), f, static_cast<size_t>(std::min(n, PSTRINGMAX)));
            if (curtype() == 'f' && n == 1 && f[0] == '*') {
                std::strncpy(text.data(), cur().filname.data(), PSTRINGMAX);
                text[PSTRINGMAX] = 0;
            }
            // A function-key string is read back as keys: its letters above 127
            // are kept in UTF-8, which the input stream reads as one letter each.
            if (q == '0') utf8letters(text);
            if (braces) {
                const int len = transstring(text.data(), dest, size);
                // A sequence cut at the end of a function-key string is dropped.
                if (q == '0') dropcutsequence(dest, len);
            } else {
                std::strncpy(dest, text.data(), static_cast<size_t>(size - 1));
                dest[size - 1] = 0;
            }
            break;
        }
        case 'd':
            p = n > 0 ? f[0] - '0' : 0;
            break;
        case 'g':
        case 'h':
            if (std::memchr(f, '*', static_cast<size_t>(n)) != nullptr)
                p = starline(q == 'L');
            else
                p = intvalue(f, n);
            break;
        case 'i':
        case 'j':
            p = intvalue(f, n);
            break;
        case 'k': {
            if (n == 0) {
                p = 0;
                break;
            }
            int ch = static_cast<unsigned char>(f[0]);
            p = ch <= 96 ? ch + 32 - 96 : ch - 96;
            break;
        }
        default:
            p = 0;
            break;
        }
    }
}

void getparam() {
    del = 0;
    paramcount = 1;
    sptr = 0;
    tptr = 0;
    pstring.fill(0);
    prmptpar(promptcode(curtype()));
    for (;;) {
        cmdcur();
        do
            fetchchar();
        while (type < C_RETURN || type > C_RUBOUT);
        rmcmdcur();
        int r = paramkey(paramclass(type, holdch), holdch);
        if (r == 1) break;
        if (r == 2) {
            del = 2;
            return;
        }
    }
    applydefaults();
    convparams();
}

int getcmnd() {
    prmptpar(0);
    const int savedtransb = transb;
    transb = 1;
    int first = 0;
    int second = 0;
    for (;;) {
        cmdcur();
        fetchchar();
        rmcmdcur();
        if (first == 0) {
            if (type == C_RETURN) {
                transb = savedtransb;
                return -1;
            }
            if (type == C_DIGIT || type == C_LETTER) {
                first = holdch;
                putcmdlett(first);
            }
        } else if (type == C_DIGIT || type == C_LETTER) {
            second = holdch;
            putcmdlett(second);
            break;
        } else if (type == C_RUBOUT) {
            backspace();
            first = 0;
        }
    }
    transb = savedtransb;
    for (int r = 0; r < static_cast<int>(commands.size()); ++r) {
        const char* name = commands[static_cast<size_t>(r)].name;
        if (std::strcmp(name, "**") == 0) break;
        if (static_cast<unsigned char>(name[0]) == first &&
            static_cast<unsigned char>(name[1]) == second) {
            for (const char* p = name + 2; *p != 0; ++p)
                putcmdlett(static_cast<unsigned char>(*p));
            putcmdlett(' ');
            return r;
        }
    }
    ibeep();
    termbeep();
    diserr("Invalid Command Request");
    return -2;
}

void runcommand(int r) {
    cmdptr = r;
    const CMDSPEC& c = row();
    if (full != 0 && (c.sideffects & CMD_S) != 0) {
        diserr("files full; command ignored");
        return;
    }
    if ((c.sideffects & CMD_W) != 0 && cur().edited != 0) progress("Warning: corefile not saved");
    if (c.prompt != nullptr) progress(c.prompt);
    getparam();
    if (del != 2 && c.checker != nullptr) c.checker();
    // Commands that may rewrite or relink the lines in place: the corefile
    // is copied for undo first (the others' changes go through the store).
    if (del != 2 && (c.sideffects & (CMD_S | CMD_W)) != 0) undotouch();
    if (del != 2 && c.cmdop != nullptr) c.cmdop();
    // Every relinking says so itself (SORT's too), so a remembered line
    // number outlives a command that left the lines where they were: a
    // procedure walking a file command by command counts no line twice.
    if ((c.sideffects & CMD_R) == 0) result() = del == 2 ? 0 : 1;
    fixcursor();
    display();
    if ((c.sideffects & CMD_L) != 0) cur().curline = linenumber(cur().lnptr);
    if ((avail > hiaddr || reserve == nullptr) && full == 0) garbage();
    putstats();
    if ((c.sideffects & CMD_N) != 0) putfname();
    // A command from the keyboard is one undo step; within a procedure the
    // step lasts until the procedure is done.
    if (keyboardnext()) undoboundary();
}

void prcmnd() {
    const int32_t savedmode = mode;
    mode = 0;
    while (mode == 0) {
        int r = getcmnd();
        if (r == -1)
            mode = savedmode;
        else if (r >= 0)
            runcommand(r);
        clearhelp();
        xvtransmit(wire::code(wire::kind::cmdclear));
        shadow_ptr = 0;
        shadow_cmdline[0] = 0;
    }
    mode = savedmode;
    prmptpar(mode);
}

void findchk() {
    scanunit = param[1];
}

void marginchk() {
    if (param[1] != 0) lmargin = boundcol(param[1]);
    if (param[2] != 0) rmargin = boundcol(param[2]);
    if (rmargin < lmargin) rmargin = lmargin;
}

void window() {
    const int32_t rows = param[1];
    const int32_t cols = param[2];
    // At least one text row, a sideways step of at least one column, and
    // rows short enough for one message.
    if (rows < 5 || rows > MAXWINROWS || cols < overlap + 3 || cols > MAXWINCOLS) {
        diserr("Invalid Window Size");
        return;
    }
    rightcol = cols - 2;
    shiftc = cols - overlap - 2;
    pshift = 0;
    cmdline = rows - 1;
    helpline = rows - 2;
    windowend = rows - 3;
    if (rows - 4 != depth || cols - 2 != swidth) {
        depth = rows - 4;
        swidth = cols - 2;
        COREFILE& cf = cur();
        if (distance(cf.disln, cf.lnptr) >= depth) cf.disln = cf.lnptr;
        const int32_t wasvisible = visible;
        visible = 1;
        gendis();
        visible = wasvisible;
    }
}

void justset() {
    jmode = param[1];
}
void hyphenset() {
    hyphlevel = param[1];
}

void objset() {
    const int32_t t = param[1];
    COREFILE& cf = cur();
    if (t < 0 || t >= NOBJTYPES || t == cf.viewtype) return;
    clrtextzone();
    cf.viewtype = t;
    cureditmask = editmask[static_cast<size_t>(t)];
    redisplay = RP_ALL;
    showtemplate();
    cf.curflag = 1;
    LINE* only = cf.header->down;
    if (only != cf.header && only->down == cf.header && only->object == K_EMPTY) {
        cf.lnptr = only;
        makeobject();
    }
}

void settabs() {
    const int32_t n = param[1];
    if (n == 0)
        tabs.fill(0);
    else if (n > 0 && n < NTABS - 1)
        for (int c = 1; c < NTABS; c += n)
            tabs[static_cast<size_t>(c)] = 1;
    prtabs();
}

void option() {
    switch (param[1]) {
    case 0:
    case 1:
    case 2:
        crinsert = param[1];
        break;
    case 3:
        repflag = 1;
        break;
    case 4:
        repflag = 0;
        break;
    case 5:
        fetchstyle = 1;
        break;
    case 6:
        fetchstyle = 2;
        break;
    case 7:
        octflag = 0;
        break;
    case 8:
        octflag = 1;
        break;
    case 9:
        lfonly = 1;
        break;
    case 10:
        lfonly = 0;
        break;
    default:
        break;
    }
}

void inkeyset() {
    if (param[1] < 0 || param[1] >= NKEYS || param[2] < 0 || param[2] >= NCODES) {
        diserr("Invalid Key Assignment");
        return;
    }
    setkey(param[1], param[2]);
}

void outkeyset() {
    if (param[1] < 0 || param[1] > 255 || param[2] < 0 || param[2] > 255) {
        diserr("Invalid Font Assignment");
        return;
    }
    outtran[static_cast<size_t>(param[1])] = static_cast<unsigned char>(param[2]);
}

askreplyfn askreply = nullptr;

namespace {

// Sends one piece of an ASK answer to the driver program.
void reply(const char* text, size_t len) {
    if (askreply != nullptr) askreply(text, len);
}

void replyf(const char* fmt, int value) {
    std::array<char, 32> buf{};
    int n = std::snprintf(buf.data(), buf.size(), fmt, value);
    if (n > 0) reply(buf.data(), std::min(static_cast<size_t>(n), buf.size() - 1));
}

// The text bytes of a line (none for empty and picture lines).
int32_t textlength(const COREFILE& cf, const LINE* l) {
    if (l == cf.header || l->object == K_PICTURE || l->object == K_EMPTY) return 0;
    return l->length;
}

// Corefile 15, trailing blanks stripped: its line count, then each line.
void replyreport() {
    constexpr int32_t MAXLINES = 1000;
    constexpr int32_t LINEBUF = 200; // each line is cut to fit this buffer
    const COREFILE& cf = core[15];
    replyf("%d\n", cf.lncount);
    int32_t sent = 0;
    for (const LINE* l = cf.header->down; l != cf.header && sent < MAXLINES; l = l->down, ++sent) {
        std::array<char, LINEBUF + 1> buf{};
        int32_t n = std::min(textlength(cf, l), LINEBUF - 1);
        for (int32_t i = 0; i < n; ++i)
            buf[static_cast<size_t>(i)] = textbase[l->index + i];
        while (n > 0 && buf[static_cast<size_t>(n - 1)] == ' ')
            --n;
        buf[static_cast<size_t>(n++)] = '\n';
        reply(buf.data(), static_cast<size_t>(n));
    }
}

} // namespace

void ask() {
    COREFILE& cf = cur();
    const LINE* l = cf.lnptr;
    const int32_t len = textlength(cf, l);
    // Bytes of the cursor line from the cursor on.
    const int32_t from = std::max(cf.curcol, 1) - 1;
    const int32_t restlen = from < len ? len - from : 0;
    const unsigned char* rest = textbase.data() + (restlen > 0 ? l->index + from : 0);
    bool answer = true; // selectors 2 to 16 answer the driver program
    switch (param[1]) {
    case 0:
        askanswers = 0;
        answer = false;
        break;
    case 1:
        askanswers = 1;
        answer = false;
        break;
    case 3:
        result() = distance(cf.header, cf.lnptr);
        break;
    case 4:
        result() = cf.curcol;
        break;
    case 5:
        result() = starblocklines();
        break;
    case 6: {
        int32_t col = 0;
        for (int32_t i = 0; i < len; ++i)
            if (textbase[static_cast<size_t>(l->index + i)] != ' ') {
                col = i + 1;
                break;
            }
        result() = col;
        break;
    }
    case 7:
        result() = restlen > 0 ? rest[0] : ' ';
        break;
    case 9:
        result() = filecheck(fpr);
        break;
    case 10:
        result() = filecheck(fpw);
        break;
    case 11:
        result() = filecheck(faw);
        break;
    case 15:
        result() = corenum;
        break;
    case 16:
        result() = cf.lncount;
        break;
    case 2:
    case 8:
    case 12:
    case 13:
    case 14:
        break;
    default:
        answer = false;
        break;
    }
    if (!answer || askanswers == 0 || askreply == nullptr) return;
    switch (param[1]) {
    case 7:
        replyf("%c\n", result());
        break;
    case 8: {
        std::array<char, 64> buf{};
        const int n = std::snprintf(buf.data(), buf.size(), "%f\n", reg());
        if (n > 0) reply(buf.data(), std::min(static_cast<size_t>(n), buf.size() - 1));
        break;
    }
    case 12: {
        int32_t n = 0;
        while (n < restlen && (charkind[rest[n]] & SEPCH) == 0)
            ++n;
        reply(reinterpret_cast<const char*>(rest), static_cast<size_t>(n));
        reply("\n", 1);
        break;
    }
    case 13:
        reply(reinterpret_cast<const char*>(rest), static_cast<size_t>(restlen));
        reply("\n", 1);
        break;
    case 14:
        replyreport();
        break;
    default:
        replyf("%d\n", result());
        break;
    }
}

void silent() {
    visible = visible != 0 ? 0 : 1;
    if (visible == 0) return;
    clrtextzone();
    putfname();
    prtabs();
    prmptpar(mode);
    showtemplate();
    redisplay = RP_ALL;
}

void resetcommands() {
    param.fill(0);
    paramcount = 0;
    sptr = 0;
    tptr = 0;
    pstring.fill(0);
    cmdptr = 0;
    for (strparam* s :
         {&curfile, &scanpattern, &mrgstring, &expression, &sysstring, &termstring, &picstring,
          &mathstring, &recboolcheck, &targetstring, &listfile, &listinitfile, &v_error})
        s->fill(0);
    lmargin = 1;
    rmargin = 72;
    tabs = initialtabs();
    jmode = 0;
    hyphlevel = 0;
    scanunit = 0;
    crinsert = 1;
    fetchstyle = 1;
    octflag = 0;
    lfonly = 1;
    askanswers = 1;
    askreply = nullptr;
}

} // namespace oxa
