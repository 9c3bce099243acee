// The command processor, the command table and the setter commands.
#include "editor/commands.hpp"

#include "bormo/gencommands.hpp"
#include "bormo/reader.hpp"
#include "editor/files.hpp"
#include "editor/motion.hpp"
#include "editor/store.hpp"

namespace oxa {

namespace {

constexpr uint32_t W = CMD_W, N = CMD_N, L = CMD_L, R = CMD_R, S = CMD_S;

constexpr const char* FINDPROMPT =
    "0:char; 1:word; 2:line; 3:sent; 4:up; 5:rec; 6:check; 7: pattern";

}  // namespace

// Types without a meaningful qualifier carry a blank one.
constexpr std::array<CMDSPEC, NCOMMANDS> commands = {{
    // name, sideffects, paramtype, defstr, checker, cmdop, prompt
    {"FETCH", W | N | L, "f1gUgLcC", "|1|200000||", fpr, fetchfile, nullptr},
    {"GOODBYE", 0, "e ", "|", nullptr, nullptr, nullptr},
    {"OVERWRITE", 0, "f1gUgL", "|1|200000|", fpw, ovrwritefile, nullptr},
    {"JOIN", 0, "f1gUgL", "|1|200000|", fpw, join, nullptr},
    {"FIND", L | R, "d7c2", "||", findchk, nullptr, FINDPROMPT},
    {"SCANSET", 0, "d7c2", "||", findchk, nullptr, FINDPROMPT},
    {"DELETE", 0, "f1", "|", fpw, deletefile, nullptr},
    {"SORT", L | S, "d3j gUgL", "|15|1|200000|", nullptr, nullptr,
     "0:ascending; 1:descending | keylength | startline | endline"},
    {"HYPHENS", 0, "d3", "|", nullptr, hyphenset, "degree of hyphenation"},
    {"JUSTIFY", 0, "d1", "|", nullptr, justset, "0:no justification   1:right justify"},
    {"SAVE", 0, "f1gUgL", "|1|200000|", faw, savefile, nullptr},
    {"CLEAR", W | N | L, "e ", "|", nullptr, clrfile, nullptr},
    {"POSITION", L, "hUj ", "||", positchk, positn, nullptr},
    {"ADVANCE", L, "j j ", "||", nullptr, advance, nullptr},
    {"APPEND", S, "f1gUgLcC", "|1|200000||", fpr, appendfile, nullptr},
    {"INSERT", S, "f1gUgLcC", "|1|200000||", fpr, insrtfile, nullptr},
    {"GENERATE DISPLAY", 0, "e ", "|", nullptr, nullptr, nullptr},
    {"BEGIN", L, "e ", "|", nullptr, wrwholescreen, nullptr},
    {"FUNCTION", 0, "d9c0", "||", nullptr, nullptr, nullptr},
    {"TEMPLATE", W, "d4f1", "||", fpr, nullptr, "0,1:record template; 2:merge template"},
    {"PROCEDURE", R, "f1", "|", fpr, loadfile, nullptr},
    {"NAME", N, "f1", "|", nullptr, nmeset, nullptr},
    {"MARGINS", 0, "i i ", "||", marginchk, prtabs, nullptr},
    {"EVALUATE", 0, "cB", "|", nullptr, nullptr, nullptr},
    {"VIEW", S, "d2", "|", nullptr, nullptr, nullptr},
    {"OBJECT", W, "d7", "|", nullptr, objset,
     "0:txt 1:rec/txt 2:rec/tmp 3:lin/txt 4:lin/gr 5:mat/txt 6:mat/gr 7:page"},
    {"CORE", N | L, "i ", "|", nullptr, coreset, nullptr},
    {"RUN", W, "f1", "|", fpx, nullptr, nullptr},
    {"SHELL", 0, "c5", "|", nullptr, nullptr, nullptr},
    {"UNIX SHELL", 0, "c5", "|", nullptr, nullptr, nullptr},
    {"CDIRECTORY", 0, "c5", "|", nullptr, nullptr,
     "enter directory string; <return> displays current directory"},
    {"ASK", R, "i f1", "||", nullptr, ask, nullptr},
    {"KEY", 0, "i i ", "||", nullptr, inkeyset, "enter key and operation"},
    {"FONT", 0, "i i ", "||", nullptr, outkeyset, "enter key and output Value"},
    {"EDITOR OPTION", 0, "i ", "|", nullptr, option,
     "0,1,2 RETN opt; 3,4 rpt lim; 5,6 FE opt; 7,8 TAB opt; 9,10 SA opt"},
    {"TAB", 0, "i ", "|", nullptr, settabs, "enter tab interval"},
    {"EXPRESSION", 0, "c4", "|", nullptr, nullptr, nullptr},
    {"MERGE", 0, "c3", "|", nullptr, nullptr, nullptr},
    {"IDENTIFY", 0, "e ", "|", nullptr, nullptr, nullptr},
    {"WINDOW", 0, "i i ", "|200000|", nullptr, window, nullptr},
    {"EMIT", 0, "i gUgLd1", "|1|200000||", nullptr, emit,
     "corefile | firstline | lastline |0:oxa output, 1:driver input"},
    {"SKEY", 0, "d2", "|", nullptr, nullptr, "0: ASCII; 1: French unaccented; 2: accents"},
    {"SWITCH", 0, "d2", "|", nullptr, nullptr,
     "0: to keybd/suspend; 1: to driver; 2: to keybd/abort"},
    {"ATTRIBUTE", 0, "f1", "|", fpr, bormo::vreadattr, "attribute file"},
    {"SYNTAX", 0, "f1", "|", fpr, bormo::vreadsyn, "syntax file"},
    {"MORPHOLOGY", 0, "f1", "|", fpr, nullptr, "morphology file"},
    {"LEXICON", 0, "f1", "|", fpr, bormo::vreadlex, "lexicon file"},
    {"TBLS", 0, "f1", "|", fpr, nullptr, "tables file"},
    {"TMNLS", 0, "f1", "|", fpr, bormo::vreadterm, "terminals file"},
    {"USER", 0, "f1", "|", fpr, bormo::vreaduser, "user file"},
    {"IPA", 0, "f1", "|", fpr, nullptr, "ipa tables file"},
    {"MRPHERROR", 0, "f1", "|", fpr, nullptr, "morph errors file"},
    {"SMTRANSF", 0, "f1", "|", fpr, nullptr, "semantic transf file"},
    {"TGINFO", 0, "f1", "|", fpr, nullptr, "tag info file"},
    {"LXTRANSF", 0, "f1", "|", fpr, nullptr, "lexical transf file"},
    {"RM_VFILES", 0, "cA", "|", nullptr, bormo::rm_vfiles, "remove BORMO files"},
    {"RXTRANSF", 0, "i ", "|", nullptr, nullptr, "transformation number"},
    {"VADDLEX", 0, "f1", "|", fpr, bormo::addlex, "lexicon file"},
    {"MPASSES", 0, "i i i i i ", "0|0|0|0|0|", nullptr, nullptr, "set morphology passes"},
    {"VDISPLAY", 0, "i ", "|", nullptr, bormo::vdisplay, "0: 1: 2: ..."},
    {"VFREQ", 0, "cA", "|", nullptr, nullptr, "vary lexical frequency"},
    {"VROOTSET", 0, "cA", "|", nullptr, nullptr, "set error-test roots"},
    {"RANDOM SEED", 0, "i ", "|", nullptr, bormo::rnset, "odd integer"},
    {"PSEED", 0, "i ", "|", nullptr, bormo::rnprint, "print random seed"},
    {"TSTINPUT", 0, "f1", "|", fpr, bormo::testinput, "test file"},
    {"VERROR", 0, "i cG", "||", nullptr, nullptr, "error function string"},
    {"STORE", 0, "d2d1", "||", nullptr, nullptr,
     "leafnodes(0),fulltrees(1),indenttrees(2)|core(0),driver(1)"},
    {"RECOVER", 0, "cA", "|", nullptr, nullptr, "stored tree filename"},
    {"VTALK", 0, "d2", "|", nullptr, nullptr, "specify root number"},
    {"ESCORE", 0, "i i i i i i ", "0|0|0|0|0|0|", nullptr, nullptr,
     "missing/extra|order|lex|morph|phon|spell"},
    {"PERRORSCORES", 0, "e ", "|", nullptr, nullptr, "print error scores"},
    {"AUTOWRAP", 0, "d1", "|", nullptr, nullptr, "1: on, 0: off"},
    {"BYE", 0, "e ", "|", nullptr, nullptr, nullptr},
    {"CHANGE", L | S, "c2cD", "||", nullptr, nullptr, "scan pattern | replacement pattern"},
    {"DIRECTORY", 0, "k1", "|", nullptr, nullptr, "B: brief, F: full, T: top"},
    {"DTAB", 0, "d1", "|", nullptr, nullptr, "1: on, 0: off"},
    {"END", L, "e ", "|", nullptr, gotobottom, nullptr},
    {"LIST", 0, "fEgUgLi fF", "|1|200000|1||", nullptr, nullptr,
     "file | fromline | toline | numcopies | initfile"},
    {"NEWNAME", 0, "f1fD", "||", fpw, nullptr, "current file name | new file name"},
    {"UPDATE", 0, "e ", "|", nullptr, nullptr, nullptr},
    {"WSHIFT", 0, "i ", "|", shift, nullptr, "enter overlap"},
    {"**", 0, "", "", nullptr, nullptr, nullptr},
}};
static_assert(commands.size() == 82);

// Key rules of the parameter types.
constexpr std::array<std::array<ParamAction, NPCLASS>, NPTYPE> optable = {{
    // return, printable, digit, letter, rubout, `-`, `*`, `|`
    {PA_END, PA_ACCEPT, PA_ACCEPT, PA_ACCEPT, PA_RUBOUT, PA_ACCEPT, PA_ACCEPT, PA_NEXT},  // c
    {PA_END, PA_IGNORE, PA_DIGITMAX, PA_IGNORE, PA_RUBOUT, PA_IGNORE, PA_IGNORE, PA_NEXT},  // d
    {PA_END, PA_IGNORE, PA_IGNORE, PA_IGNORE, PA_RUBOUT, PA_IGNORE, PA_IGNORE, PA_NEXT},  // e
    {PA_END, PA_IGNORE, PA_NOSTAR, PA_NOSTAR, PA_RUBOUT, PA_NOSTAR, PA_FIRST, PA_NEXT},   // f
    {PA_END, PA_IGNORE, PA_NOSTAR, PA_IGNORE, PA_RUBOUT, PA_IGNORE, PA_FIRST, PA_NEXT},   // g
    {PA_END, PA_IGNORE, PA_NOSTAR, PA_IGNORE, PA_RUBOUT, PA_FIRST, PA_FIRST, PA_NEXT},    // h
    {PA_END, PA_IGNORE, PA_ACCEPT, PA_IGNORE, PA_RUBOUT, PA_IGNORE, PA_IGNORE, PA_NEXT},  // i
    {PA_END, PA_IGNORE, PA_ACCEPT, PA_IGNORE, PA_RUBOUT, PA_FIRST, PA_IGNORE, PA_NEXT},   // j
    {PA_END, PA_IGNORE, PA_IGNORE, PA_FIRST, PA_RUBOUT, PA_IGNORE, PA_IGNORE, PA_NEXT},   // k
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

int32_t lmargin;
int32_t rmargin;
std::array<uint8_t, NTABS> tabs;
int32_t jmode;
int32_t hyphlevel;
int32_t scanunit;
int32_t crinsert;
int32_t fetchstyle;
int32_t octflag;
int32_t lfonly;
int32_t askanswers;

void prcmnd() {}
int getcmnd() { return -1; }
void getparam() {}
void prmptpar(int code) {}

int promptcode(char typeletter) {
    if (typeletter < 'c' || typeletter > 'k') return 7;
    return typeletter - 'c' + 3;
}

void findchk() { scanunit = param[1]; }

void marginchk() {
    if (param[1] != 0) lmargin = param[1];
    if (param[2] != 0) rmargin = param[2];
    if (rmargin < lmargin) rmargin = lmargin;
}

void window() {}
void justset() { jmode = param[1]; }
void hyphenset() { hyphlevel = param[1]; }
void objset() {}
void settabs() {}
void option() {}
void inkeyset() {}
void outkeyset() {}
void ask() {}
void silent() {}

void resetcommands() {
    param.fill(0);
    paramcount = 0;
    sptr = 0;
    tptr = 0;
    pstring.fill(0);
    cmdptr = 0;
    for (strparam* s : {&curfile, &scanpattern, &mrgstring, &expression, &sysstring, &termstring,
                        &picstring, &mathstring, &recboolcheck, &targetstring, &listfile,
                        &listinitfile, &v_error})
        s->fill(0);
    lmargin = 1;
    rmargin = 72;
    tabs.fill(0);
    for (int c = 1; c < NTABS; c += 8) tabs[c] = 1;
    jmode = 0;
    hyphlevel = 0;
    scanunit = 0;
    crinsert = 1;
    fetchstyle = 1;
    octflag = 0;
    lfonly = 1;
    askanswers = 1;
}

}  // namespace oxa
