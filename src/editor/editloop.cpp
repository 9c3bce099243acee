// The edit loop, its action table and the small operations it owns.
#include "editor/editloop.hpp"

#include "bormo/gencommands.hpp"
#include "bormo/lextrans.hpp"
#include "bormo/semantic.hpp"
#include "bormo/variants.hpp"

#include "editor/blocks.hpp"
#include "editor/checks.hpp"
#include "editor/commands.hpp"
#include "editor/editops.hpp"
#include "editor/encoding.hpp"
#include "editor/find.hpp"
#include "editor/frontend.hpp"
#include "editor/evaluator.hpp"
#include "editor/input.hpp"
#include "editor/merge.hpp"
#include "editor/motion.hpp"
#include "editor/paint.hpp"
#include "editor/recovery.hpp"
#include "editor/rectangles.hpp"
#include "editor/reformat.hpp"
#include "editor/store.hpp"
#include "editor/typing.hpp"
#include "editor/terminal.hpp"
#include "editor/undo.hpp"
#include "editor/textstats.hpp"
#include "editor/views.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace oxa {

namespace {

constexpr uint32_t L = SE_LINE;
constexpr uint32_t E = SE_EDIT;
constexpr uint32_t S = SE_SPACE;
constexpr uint32_t LNS = CMP_LINES;
constexpr uint32_t RET = CMP_RETURN;
constexpr uint32_t ALL = CMP_ALL;

// The corefile whose typed run the open undo step holds, or -1.
int32_t typingrun = -1;

// Typed characters, RETURN and rubout: a run of them is one undo step.
bool typingcode(int32_t code) {
    return code >= C_RETURN && code <= C_RUBOUT;
}

// Whether the row's operation may change text without the store's
// primitives (writing into the heap, relinking lines): the corefile and the
// block buffer are copied for undo before it runs.
bool copiesforundo(const edtable& row, int32_t code) {
    return (row.sideffects & SE_EDIT) != 0 || code == 11 || code == 92 || code == 102 ||
           cur().viewtype == 3;
}

} // namespace

// One row per edit code, in code order.  The trailing comment names the
// operation that belongs in each object-type column ("." is noop); a column
// holds noop until its operation is built and wired in here.
// clang-format off
constexpr edtable edittable[] = {
    // flags    limit mask  operations for object types 0 .. 7             // code: names for types 0 .. 7
    {0,         200, 0,   {noop, noop, noop, noop, noop, noop, noop, noop}}, //   0 . . . . . . . .
    {L | S,     20,  RET, {retrn, retrn, downfield, ldexit, noop, retrn, retrn, viewterm}}, //   1 retrn retrn downfield ldexit . retrn retrn viewterm
    {E | S,     200, 0,   {bldtxt, bldrec, bldrec, noop, noop, bldmath, bldmath, bldrec}}, //   2 bldtxt bldrec bldrec . . bldmath bldmath bldrec
    {E | S,     200, 0,   {bldtxt, bldrec, bldrec, noop, noop, bldmath, bldmath, bldrec}}, //   3 bldtxt bldrec bldrec . . bldmath bldmath bldrec
    {E | S,     200, 0,   {bldtxt, bldrec, bldrec, noop, noop, bldmath, bldmath, bldrec}}, //   4 bldtxt bldrec bldrec . grops bldmath bldmath bldrec
    {E,         20,  0,   {rubtxt, rubrec, rubrec, lddelin, noop, rubmath, rubmath, rubrec}}, //   5 rubtxt rubrec rubrec lddelin rubgraph rubmath rubmath rubrec
    {0,         200, 0,   {noop, noop, noop, noop, noop, noop, noop, noop}}, //   6 . . . . . . . .
    {0,         200, 0,   {noop, noop, noop, noop, noop, noop, noop, noop}}, //   7 . . . . . . . .
    {0,         200, 0,   {noop, noop, noop, noop, noop, noop, noop, noop}}, //   8 . . . . . . . .
    {0,         200, 0,   {noop, noop, noop, noop, noop, noop, noop, noop}}, //   9 . . . . . . . .
    {L | S,     20,  ALL, {nuline, nuline, nuline, noop, nuline, nuline, nuline, noop}}, //  10 nuline nuline nuline . nuline nuline nuline .
    {S,         80,  0,   {copytxt, copytxt, copytxt, noop, noop, copytxt, copytxt, copytxt}}, //  11 copytxt copytxt copytxt . pickpoint copytxt copytxt copytxt
    {L,         200, ALL, {undoop, undoop, undoop, undoop, undoop, undoop, undoop, noop}}, //  12 undoop undoop undoop undoop undoop undoop undoop .
    {0,         200, ALL, {noop, noop, noop, noop, noop, noop, noop, noop}}, //  13 . . . . . . . .
    {0,         200, 0,   {noop, noop, noop, noop, noop, noop, noop, noop}}, //  14 . . . . . . . .
    {0,         200, 0,   {noop, noop, noop, noop, noop, noop, noop, noop}}, //  15 . . . . . . . .
    {0,         200, 0,   {noop, noop, noop, noop, noop, noop, noop, noop}}, //  16 . . . . . . . .
    {0,         80,  0,   {curleft, curleft, curleft, ldleft, noop, leftm, leftm, curleft}}, //  17 curleft curleft curleft ldleft picleft leftm leftm curleft
    {L,         20,  LNS, {downline, downrec, downfield, lddown, noop, downrec, downm, downfield}}, //  18 downline downrec downfield lddown picdown downrec downm downfield
    {0,         80,  0,   {curright, curright, curright, ldright, noop, rightm, rightm, curright}}, //  19 curright curright curright ldright picright rightm rightm curright
    {L,         20,  LNS, {upline, uprec, upfield, ldup, noop, uprec, upm, upfield}}, //  20 upline uprec upfield ldup picup uprec upm upfield
    {L,         200, ALL, {prcmnd, prcmnd, prcmnd, prcmnd, prcmnd, prcmnd, prcmnd, viewcmnd}}, //  21 prcmnd prcmnd prcmnd prcmnd prcmnd prcmnd prcmnd viewcmnd
    {0,         200, 0,   {inmode, inmode, inmode, noop, noop, inmode, inmode, inmode}}, //  22 inmode inmode inmode . . inmode inmode inmode
    {E | S,     200, 0,   {reformat, upfield, upfield, noop, noop, upm, upm, upfield}}, //  23 reformat upfield upfield . remember upm upm upfield
    {0,         200, 0,   {extchk, extchk, extchk, noop, noop, extchk, extchk, noop}}, //  24 extchk extchk extchk . . extchk extchk .
    {0,         200, ALL, {makestars, makestars, makestars, noop, noop, makestars, makestars, noop}}, //  25 makestars makestars makestars . . makestars makestars .
    {L | E,     200, ALL, {recover, recover, recover, noop, noop, recover, recover, noop}}, //  26 recover recover recover . . recover recover .
    {L | E,     200, ALL, {deleteblock, deleteblock, deleteblock, noop, noop, deleteblock, deleteblock, noop}}, //  27 delete delete delete . droppoint delete delete .
    {L,         3,   ALL, {up_page, up_page, uprec, noop, upline, up_page, uprec, noop}}, //  28 up_page up_page uprec . upline up_page uprec .
    {0,         200, 0,   {uclcsw, uclcsw, uclcsw, noop, noop, uclcsw, uclcsw, uclcsw}}, //  29 uclcsw uclcsw uclcsw . . uclcsw uclcsw uclcsw
    {L,         3,   ALL, {downpage, downpage, downrec, noop, downline, downpage, downrec, noop}}, //  30 downpage downpage downrec . downline downpage downrec .
    {0,         200, ALL, {find, find, find, noop, noop, noop, noop, noop}}, //  31 find find find . . . . .
    {L,         200, ALL, {resfind, resfind, resfind, noop, noop, resfind, resfind, noop}}, //  32 resfind resfind resfind . nextitem resfind resfind .
    {0,         200, 0,   {tabset, noop, noop, noop, noop, noop, noop, noop}}, //  33 tabset . . . addpic . . .
    {0,         200, ALL, {tabcur, downfield, noop, ldexit, noop, downm, downm, noop}}, //  34 tabcur downfield . ldexit . downm downm .
    {L | E | S, 200, ALL, {copyop, copyop, copyop, noop, copyop, copyop, copyop, noop}}, //  35 copyop copyop copyop . copyop copyop copyop .
    {L,         200, ALL, {redoop, redoop, redoop, redoop, redoop, redoop, redoop, noop}}, //  36 redoop redoop redoop redoop redoop redoop redoop .
    {E | S,     200, 0,   {bormo::vcompsingle, noop, noop, noop, noop, noop, noop, noop}}, //  37 vcompsingle . . . . . . .
    {0,         200, 0,   {show, show, show, show, show, show, show, noop}}, //  38 show show show show show show show .
    {0,         200, 0,   {bormo::vglobpre, noop, noop, noop, noop, noop, noop, noop}}, //  39 vglobpre . . . . . . .
    {L | E | S, 200, 0,   {recword, recfield, recfield, noop, noop, noop, noop, recfield}}, //  40 recword recfield recfield . . . . recfield
    {0,         200, 0,   {wildtxt, wildrec, wildrec, noop, noop, noop, noop, noop}}, //  41 wildtxt wildrec wildrec . . . . .
    {0,         200, 0,   {compute0, compute0, compute0, noop, noop, noop, noop, noop}}, //  42 compute0 compute0 compute0 . . . . .
    {0,         200, 0,   {compute0, compute0, compute0, noop, noop, noop, noop, noop}}, //  43 compute0 compute0 compute0 . . . . .
    {0,         200, 0,   {compute0, compute0, compute0, noop, noop, noop, noop, noop}}, //  44 compute0 compute0 compute0 . . . . .
    {0,         200, 0,   {compute0, compute0, compute0, noop, noop, noop, noop, noop}}, //  45 compute0 compute0 compute0 . . . . .
    {0,         200, 0,   {compute0, compute0, compute0, noop, noop, noop, noop, noop}}, //  46 compute0 compute0 compute0 . . . . .
    {S,         200, 0,   {mrgexp, mrgexp, mrgexp, noop, noop, noop, noop, noop}}, //  47 mrgexp mrgexp mrgexp . . . . .
    {S,         200, 0,   {mrgtext, mrgtext, mrgtext, noop, noop, noop, noop, noop}}, //  48 mrgtext mrgtext mrgtext . . . . .
    {0,         200, 0,   {reginc, reginc, reginc, noop, noop, noop, noop, noop}}, //  49 reginc reginc reginc . . . . .
    {0,         200, 0,   {regclear, regclear, regclear, noop, noop, noop, noop, noop}}, //  50 regclear regclear regclear . . . . .
    {S,         200, 0,   {noop, mrgassign, mrgassign, noop, noop, noop, noop, noop}}, //  51 . mrgassign mrgassign . . . . .
    {S,         200, 0,   {regdis, regdis, regdis, noop, noop, noop, noop, noop}}, //  52 regdis regdis regdis . . . . .
    {E | S,     200, 0,   {noop, noop, noop, noop, noop, bldmath, bldmath, noop}}, //  53 . . . . . bldmath bldmath .
    {E | S,     200, 0,   {noop, noop, noop, noop, noop, recmath, recmath, noop}}, //  54 . . . . . recmath recmath .
    {0,         200, 0,   {noop, noop, noop, noop, noop, noop, noop, noop}}, //  55 . . . . . preview preview .
    {0,         200, 0,   {silent, silent, silent, noop, silent, silent, silent, noop}}, //  56 silent silent silent . silent silent silent .
    {0,         200, 0,   {noop, noop, noop, noop, noop, greencur, greencur, noop}}, //  57 . . . . . greencur greencur .
    {E,         200, 0,   {noop, noop, noop, noop, noop, instabrow, instabrow, noop}}, //  58 . . . . . instabrow instabrow .
    {E,         200, 0,   {noop, noop, noop, noop, noop, instabcol, instabcol, noop}}, //  59 . . . . . instabcol instabcol .
    {0,         200, 0,   {noop, noop, noop, noop, noop, downrow, downrow, noop}}, //  60 . . . . . downrow downrow .
    {0,         200, 0,   {noop, noop, noop, noop, noop, uprow, uprow, noop}}, //  61 . . . . . uprow uprow .
    {0,         200, 0,   {regshow, regshow, regshow, noop, noop, noop, noop, noop}}, //  62 regshow regshow regshow . . . . .
    {0,         200, ALL, {resnumber, resnumber, resnumber, noop, noop, resnumber, resnumber, noop}}, //  63 resnumber resnumber resnumber . . resnumber resnumber .
    {0,         200, ALL, {rescheck, rescheck, rescheck, noop, noop, rescheck, rescheck, noop}}, //  64 rescheck rescheck rescheck . . rescheck rescheck .
    {E | S,     80,  0,   {rectxt, recrec, recrec, noop, noop, noop, noop, recrec}}, //  65 rectxt recrec recrec . previtem . . recrec
    {0,         200, 0,   {begline, begline, noop, noop, noop, noop, noop, noop}}, //  66 begline begline . . . . . .
    {E | S,     200, 0,   {noop, mrgrec, mrgrec, noop, noop, noop, noop, noop}}, //  67 . mrgrec mrgrec . . . . .
    {0,         200, 0,   {endline, endline, noop, noop, noop, noop, noop, noop}}, //  68 endline endline . . . . . .
    {E,         3,   0,   {deline, noop, noop, noop, noop, noop, noop, noop}}, //  69 deline . . . . . . .
    {0,         3,   0,   {marleft, noop, noop, noop, noop, noop, noop, noop}}, //  70 marleft . . . . . . .
    {0,         3,   0,   {maright, noop, noop, noop, noop, noop, noop, noop}}, //  71 maright . . . . . . .
    {E | S,     200, 0,   {flushleft, noop, noop, noop, noop, noop, noop, noop}}, //  72 flushleft . . . . . . .
    {E | S,     200, 0,   {flushright, noop, noop, noop, noop, noop, noop, noop}}, //  73 flushright . . . . . . .
    {E | S,     200, 0,   {fcenter, noop, noop, noop, noop, noop, noop, noop}}, //  74 fcenter . . . . . . .
    {L | E | S, 200, 0,   {splitline, noop, noop, noop, noop, noop, noop, noop}}, //  75 splitline . . . . . . .
    {E | S,     200, 0,   {joinline, noop, noop, noop, noop, noop, noop, noop}}, //  76 joinline . . . . . . .
    {E | S,     80,  0,   {repchar, noop, noop, noop, noop, noop, noop, noop}}, //  77 repchar . . . . . . .
    {E | S,     200, 0,   {repline, copyfield, copyfield, noop, noop, noop, noop, copyfield}}, //  78 repline copyfield copyfield . . . . copyfield
    {E,         200, 0,   {delword, rubfield, rubfield, noop, noop, noop, noop, rubfield}}, //  79 delword rubfield rubfield . . . . rubfield
    {E,         200, 0,   {delwordend, noop, noop, noop, noop, noop, noop, noop}}, //  80 delwordend . . . . . . .
    {L,         200, 0,   {xnextword, noop, noop, noop, noop, noop, noop, noop}}, //  81 xnextword . . . . . . .
    {L,         200, 0,   {xprevword, noop, noop, noop, noop, noop, noop, noop}}, //  82 xprevword . . . . . . .
    {0,         200, 0,   {makecstars, noop, noop, noop, noop, noop, noop, noop}}, //  83 makecstars . . . . . . .
    {E,         200, 0,   {deleterect, noop, noop, noop, noop, noop, noop, noop}}, //  84 deleterect . . . . . . .
    {E | S,     200, 0,   {insertrect, noop, noop, noop, noop, noop, noop, noop}}, //  85 insertrect . . . . . . .
    {E | S,     200, 0,   {copyrect, noop, noop, noop, noop, noop, noop, noop}}, //  86 copyrect . . . . . . .
    {E | S,     200, 0,   {insertcols, noop, noop, noop, noop, noop, noop, noop}}, //  87 insertcols . . . . . . .
    {E | S,     200, 0,   {overwrect, noop, noop, noop, noop, noop, noop, noop}}, //  88 overwrect . . . . . . .
    {E,         200, 0,   {cpclrrect, noop, noop, noop, noop, noop, noop, noop}}, //  89 cpclrrect . . . . . . .
    {E | S,     200, 0,   {cpclrovrect, noop, noop, noop, noop, noop, noop, noop}}, //  90 cpclrovrect . . . . . . .
    {0,         200, 0,   {clearallstars, clearallstars, clearallstars, noop, noop, noop, noop, noop}}, //  91 clearallstars clearallstars clearallstars . . . . .
    {0,         200, 0,   {flipchar, flipchar, flipchar, noop, noop, noop, noop, flipchar}}, //  92 flipchar flipchar flipchar . . . . flipchar
    {E | S,     200, 0,   {manynulines, noop, noop, noop, noop, noop, noop, noop}}, //  93 manynulines . . . . . . .
    {0,         200, 0,   {ldenter, noop, noop, lddelout, noop, noop, noop, noop}}, //  94 ldenter . . lddelout . . . .
    {L,         200, 0,   {xnextnumx, noop, noop, noop, noop, noop, noop, noop}}, //  95 xnextnumx . . . . . . .
    {E | S,     200, 0,   {falign, noop, noop, noop, noop, noop, noop, noop}}, //  96 falign . . . . . . .
    {0,         200, 0,   {bormo::generate, noop, noop, noop, noop, noop, noop, noop}}, //  97 generate . . . . . . .
    {0,         200, ALL, {bormo::resumelx, bormo::resumelx, bormo::resumelx, noop, noop, noop, noop, noop}}, //  98 resumelx resumelx resumelx . . . . .
    {0,         200, 0,   {bormo::vcompare, noop, noop, noop, noop, noop, noop, noop}}, //  99 vcompare . . . . . . .
    {0,         200, 0,   {bor_moveblock, noop, noop, noop, noop, noop, noop, noop}}, // 100 bor_moveblock . . . . . . .
    {0,         200, 0,   {bor_sleep, noop, noop, noop, noop, noop, noop, noop}}, // 101 bor_sleep . . . . . . .
    {0,         200, 0,   {bormo::disp_sent, noop, noop, noop, noop, noop, noop, noop}}, // 102 disp_sent . . . . . . .
    {0,         200, 0,   {bormo::vnewcompare, noop, noop, noop, noop, noop, noop, noop}}, // 103 vnewcompare . . . . . . .
    {0,         200, 0,   {bormo::venummorph, noop, noop, noop, noop, noop, noop, noop}}, // 104 venummorph . . . . . . .
    {0,         200, 0,   {scantext, noop, noop, noop, noop, noop, noop, noop}}, // 105 scantext . . . . . . .
    {0,         200, 0,   {bormo::vmakepre, noop, noop, noop, noop, noop, noop, noop}}, // 106 vmakepre . . . . . . .
};
// clang-format on
static_assert(sizeof(edittable) / sizeof(edittable[0]) == NEDITCODES);

const std::array<uint32_t, NOBJTYPES> editmask = {0x01, 0x02, 0x04, 0x08, 0x10, 0x20, 0x40, 0x80};

// Line kinds 0..6: text, record, picture, formula, carried, empty, carried.
const std::array<uint32_t, NLINEKINDS> viewmask = {0x69, 0x86, 0x10, 0x60, 0x00, 0x69, 0x00};

uint32_t cureditmask = 1;
uint32_t curviewmask = 0x69;
uint32_t curopmask = 0;

int32_t overflg = 0;
int32_t repflag = 1;
int32_t mode = 1;

namespace {

int32_t lastcode = -1; // the previous pass's code
int32_t repcount = 0;  // consecutive repeats of `lastcode`

} // namespace

void setviewmask() {
    const LINE* ln = cur().lnptr;
    int32_t kind = ln ? ln->object : K_EMPTY;
    curviewmask = (kind >= 0 && kind < NLINEKINDS) ? viewmask[kind] : 0;
}

void noop() {}

namespace {

constexpr const char* MSG_DUMPTO = "Dump the store to file: ";
constexpr const char* MSG_DUMPOVER = " Overwrite file:%s?";
constexpr const char* MSG_DUMPFAILED = "Cannot write the dump to %s: %s";

// Reads the dump's file name from the input, shown as it is typed; empty
// when the user gives none or cancels with rubout on an empty name.
std::string dumpname() {
    std::string name;
    for (;;) {
        progress((MSG_DUMPTO + name).c_str());
        fetchchar();
        if (type == C_RETURN) return name;
        if (type == C_RUBOUT) {
            if (name.empty()) return name;
            name.pop_back();
        } else if (type >= C_PRINT && type <= C_LETTER && name.size() + 1 < FILNAMESIZE) {
            name += static_cast<char>(holdch);
        }
    }
}

// Opens the dump file: a new file, or, when the user agrees, an existing
// regular file; never through a symbolic link.
std::FILE* opendump(const std::string& name) {
    const std::string path = osname(name.c_str());
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0 && errno == EEXIST) {
        std::array<char, 128> ask{};
        std::snprintf(ask.data(), ask.size(), MSG_DUMPOVER, name.c_str());
        if (diserr(ask.data()) == 2) return nullptr;
        struct stat st {};
        if (::lstat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
            errno = EPERM;
        } else {
            fd = ::open(path.c_str(), O_WRONLY | O_TRUNC | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        }
    }
    if (fd < 0) {
        std::array<char, 256> msg{};
        std::snprintf(msg.data(), msg.size(), MSG_DUMPFAILED, name.c_str(),
                      errno == EPERM ? "not a regular file" : std::strerror(errno));
        diserr(msg.data());
        return nullptr;
    }
    std::FILE* f = ::fdopen(fd, "w");
    if (f == nullptr) ::close(fd);
    return f;
}

} // namespace

// The store's dump goes only to a file the user names.
void show() {
    const std::string name = dumpname();
    clearhelp();
    if (name.empty()) return;
    std::FILE* f = opendump(name);
    if (!f) return;
    std::fprintf(f, "physical chain:\n");
    // The head of the chain only: a key held down (or a procedure) would
    // otherwise write the whole store out again at every press.
    constexpr int SHOWCHAIN = 1000;
    int shown = 0;
    for (const LINE* l = firstphys.nextphys; l; l = l->nextphys) {
        if (shown++ == SHOWCHAIN) {
            std::fprintf(f, "  ... (the rest of the chain is not shown)\n");
            break;
        }
        std::fprintf(f, "  %p object %d length %d index %lld\n", static_cast<const void*>(l),
                     l->object, l->length, static_cast<long long>(l->index));
    }
    std::fprintf(f, "avail %lld\n", static_cast<long long>(avail));
    for (int i = 0; i < NCORE; ++i) {
        const COREFILE& c = core[i];
        std::fprintf(f,
                     "core %d: header %p lnptr %p curline %d curcol %d lncount %d charcount %lld "
                     "disln %p\n",
                     i, static_cast<const void*>(c.header), static_cast<const void*>(c.lnptr),
                     c.curline, c.curcol, c.lncount, static_cast<long long>(c.charcount),
                     static_cast<const void*>(c.disln));
    }
    std::fclose(f);
}

int unsavedreport(std::FILE* out) {
    int n = 0;
    for (int i = 0; i < NCORE; ++i) {
        if (!core[i].edited) continue;
        ++n;
        const char* name = core[i].filname.data();
        if (name[0])
            std::fprintf(out, "oxa: corefile %d (%.48s) not saved\n", i, name);
        else
            std::fprintf(out, "oxa: corefile %d not saved\n", i);
    }
    return n;
}

void (*eofhook)() = nullptr;

// The end of a user's input (a terminal, or the front end's full stream,
// which ends when the front end is gone) saves unsaved text as a fatal
// signal does; the end of a pipe or of scripted input only reports it.
void eofexit() {
    if (eofhook) eofhook();
    std::fflush(stdout);
    if (::isatty(0) != 0 || wirefull != 0) {
        reseterm();
        std::fflush(stderr);
        saveunsaved();
    } else {
        unsavedreport(stderr);
    }
    reseterm();
    std::exit(0);
}

void editpass(int32_t code, const edtable* table) {
    // The count runs over the raw code sequence: a refused pass counts too.
    if (code == lastcode)
        ++repcount;
    else
        repcount = 0;
    lastcode = code;
    if (code < 0 || code >= NEDITCODES) return; // not a table code: nothing to run
    const edtable& row = table[code];

    setviewmask();
    curopmask = row.cmpmask;
    // The command key is the way out of every state: no limit refuses it.
    if (repcount >= row.replimit && repflag != 1 && code != C_COMMAND) return;
    if (full && (row.sideffects & SE_SPACE)) return;
    if (((curviewmask | curopmask) & cureditmask) == 0) return;

    // A key from the keyboard ends the undo step, unless it goes on typing
    // in the same corefile; keys from a procedure join the step under way.
    const bool typing = typingcode(code);
    if (keyboardnext() && !(typing && typingrun == corenum)) undoboundary();
    if (copiesforundo(row, code)) {
        undotouch();
        undotouchcore(0); // the block buffer
    }

    const int32_t vt = cur().viewtype;
    if (vt >= 0 && vt < NOBJTYPES) row.operatn[vt]();
    typingrun = typing ? corenum : -1;
    if (!typing && keyboardnext()) undoboundary();

    fixcursor();
    display();
    // The operation may have changed the current corefile (CORE).
    COREFILE& c = cur();
    if (row.sideffects & SE_EDIT) c.edited = 1;
    if (row.sideffects & SE_LINE) c.curline = linenumber(c.lnptr);
    if ((avail > hiaddr || reserve == nullptr) && full == 0) garbage();
    putstats();
    discur();
}

void editor() {
    while (overflg == 0) {
        txtcur();
        fetchchar();
        rmtxtcur();
        editpass(type);
    }
}

void identify() {
    char msg[80];
    std::snprintf(msg, sizeof msg, "%s date: %s; time: %s", "XOXA", "Jul 27 2020", "17:18:26");
    diserr(msg);
}

void goodbye() {
    overflg = 1;
    for (int i = 0; i < NCORE && overflg == 1; ++i) {
        if (!core[i].edited) continue;
        char msg[64];
        std::snprintf(msg, sizeof msg, "WARNING: corefile %d not saved. <del> aborts", i);
        if (diserr(msg) == 2) overflg = 0;
    }
    if (overflg == 1) mode = 1;
}

void inmode() {
    mode = (mode == 2) ? 1 : 2;
    prmptpar(mode);
}

void uclcsw() {
    transb = transb ? 0 : 1;
}

void reseteditloop() {
    cureditmask = 1;
    curviewmask = viewmask[K_TEXT];
    curopmask = 0;
    overflg = 0;
    repflag = 1;
    mode = 1;
    lastcode = -1;
    repcount = 0;
    typingrun = -1;
}

} // namespace oxa
