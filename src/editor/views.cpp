// The view pages.
#include "editor/views.hpp"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>

#include "bormo/gencommands.hpp"
#include "editor/commands.hpp"
#include "editor/corefiles.hpp"
#include "editor/editloop.hpp"
#include "editor/frontend.hpp"
#include "editor/input.hpp"
#include "editor/lines.hpp"
#include "editor/paint.hpp"
#include "editor/records.hpp"
#include "editor/reformat.hpp"
#include "editor/repaint.hpp"
#include "editor/store.hpp"
#include "editor/templates.hpp"

namespace oxa {

const char* const view0string = "c6c7c8c9c:c;c<c=c>c?c3c4c5c@c2d1d1d1d1";

namespace {

constexpr int NVIEW0FIELDS = 19;
constexpr int NSTATCORES = 19; // corefiles 0 .. 18

// The language files of page 2, by the letter of their kind.
constexpr std::array<char, 12> langletters = {'a', 't', 's', 'u', 'm', 'T',
                                              'L', 'p', 'e', 'g', '@', 'x'};
constexpr std::array<const char*, 12> langlabels = {
    "Attributes", "Terminals",    "Syntax",   "User syntax",     "Morphology",     "Tables",
    "Lexicon",    "IPA",          "Morph errors", "Tag info", "Semantic transf", "Lexical transf"};

// The command key and its terminator: pushed when the settings page is
// taken back, so that command entry follows.
const char entercmnd[2] = {static_cast<char>(CMDKEY), 0};

int32_t savedcore = -1;     // the corefile current before the page
int32_t savedviewtype = 0;  // corefile 19's own object type

std::string ending(std::string s) {
    s.push_back(static_cast<char>(TEMPLATEEND));
    return s;
}

std::string fmt(const char* f, int a, int b = 0, int c = 0) {
    char buf[96];
    std::snprintf(buf, sizeof buf, f, a, b, c);
    return buf;
}

// The string variable of a destination letter and its size (the same
// buffers as the command parameters of that qualifier).
char* stringvar(char qual, int& size) {
    bool braces = false;
    return stringparam(qual, size, braces);
}

// The settings shown as digits, by field number.
void settingsintoparams() {
    param[16] = scanunit;
    param[17] = jmode;
    param[18] = hyphlevel;
    param[19] = lrcswitch;
}

// Makes `text` the only line of the current corefile, a record line.
bool onlyrecord(const std::string& text) {
    clrfile();
    for (unsigned char ch : text) {
        if (ch == FREEBYTE) ch = '?';
        if (!cadd(ch)) return false;
    }
    COREFILE& c = cur();
    if (c.lnptr->object == K_EMPTY) {
        // An empty record still needs a line of its own kind.
        c.lnptr->object = K_RECORD;
        c.lnptr->index = avail;
        c.lnptr->length = 0;
        linkphys();
    }
    c.lnptr->object = K_RECORD;
    c.curcol = 1;
    c.disln = c.lnptr;
    return true;
}

std::string view1record() {
    std::string s;
    for (int i = 0; i < NSTATCORES; ++i) {
        s += core[static_cast<size_t>(i)].filname.data();
        s += '|';
    }
    int64_t total = 0;
    for (int i = 0; i < NSTATCORES; ++i) {
        const COREFILE& c = core[static_cast<size_t>(i)];
        total += c.charcount;
        s += std::to_string(c.lncount) + "|" + std::to_string(c.charcount) + "|";
    }
    s += std::to_string(total) + "|";
    return s;
}

std::string view2record() {
    std::string s;
    for (char letter : langletters) {
        s += bormo::bormofilename[static_cast<size_t>(letter - '@')];
        s += '|';
    }
    return s;
}

} // namespace

const char* view0templ() {
    static const std::string t = [] {
        std::string s = "{r1c1}Settings: edit the fields, then press return";
        for (int i = 0; i < 10; ++i)
            s += fmt("{r%dc1}F%d{c6#%d/48}", i + 2, i, i + 1);
        const char* labels[] = {"Merge", "Expression", "System", "Terminal", "Pattern"};
        for (int i = 0; i < 5; ++i)
            s += fmt("{r%dc1}", i + 12) + labels[i] + fmt("{c13#%d/48}", i + 11);
        s += "{r17c1}Search type{c13#16/1/j}{c16}Justify{c24#17/1/j}"
             "{c27}Hyphens{c35#18/1/j}{c38}Layout{c45#19/1/j}";
        return ending(s);
    }();
    return t.c_str();
}

const char* view1templ() {
    static const std::string t = [] {
        std::string s = "{r1c1}Corefile statistics: name, lines, characters";
        for (int i = 0; i < NSTATCORES; ++i) {
            const int row = i < 10 ? i + 2 : i - 8;
            const int col = i < 10 ? 1 : 40;
            s += fmt("{r%dc%d}", row, col) + std::to_string(i);
            s += fmt("{c%d#%d/16}", col + 3, i + 1);
            s += fmt("{c%d#%d/6}", col + 20, 20 + 2 * i);
            s += fmt("{c%d#%d/9}", col + 27, 21 + 2 * i);
        }
        s += "{r13c1}Total characters{c28#58/10}";
        return ending(s);
    }();
    return t.c_str();
}

const char* view2templ() {
    static const std::string t = [] {
        std::string s = "{r1c1}Language files";
        for (size_t i = 0; i < langlabels.size(); ++i)
            s += fmt("{r%dc1}", static_cast<int>(i) + 2) + langlabels[i] +
                 fmt("{c18#%d/48}", static_cast<int>(i) + 1);
        return ending(s);
    }();
    return t.c_str();
}

std::string view0record() {
    settingsintoparams();
    std::string s;
    for (int f = 1; f <= NVIEW0FIELDS; ++f) {
        const char kind = view0string[2 * (f - 1)];
        const char qual = view0string[2 * (f - 1) + 1];
        if (kind == 'c') {
            int size;
            const char* var = stringvar(qual, size);
            std::array<char, 2 * FNKEYSIZE + 8> shown{};
            if (var != nullptr) untransstring(var, shown.data(), static_cast<int>(shown.size()));
            s += shown.data();
        } else {
            s += static_cast<char>('0' + std::clamp(param[static_cast<size_t>(f)], 0, 9));
        }
        s += '|';
    }
    return s;
}

void rectovar() {
    const LINE* line = core[VIEWCORE].lnptr;
    for (int f = 1; f <= NVIEW0FIELDS; ++f) {
        const char kind = view0string[2 * (f - 1)];
        const char qual = view0string[2 * (f - 1) + 1];
        const std::string text = fieldtext(line, f);
        if (kind == 'c') {
            int size;
            char* var = stringvar(qual, size);
            if (var != nullptr) transstring(text.c_str(), var, size);
        } else {
            const bool digit = !text.empty() && text[0] >= '0' && text[0] <= '9';
            param[static_cast<size_t>(f)] = digit ? text[0] - '0' : 0;
        }
    }
    scanunit = std::min(param[16], 6);
    jmode = param[17] > 0 ? 1 : 0;
    hyphlevel = std::min(param[18], 3);
    lrcswitch = std::min(param[19], 2);
}

void resetcore() {
    if (savedcore < 0) return;
    corenum = VIEWCORE;
    clrfile();
    cur().viewtype = savedviewtype;
    corenum = savedcore;
    savedcore = -1;
    cureditmask = editmask[static_cast<size_t>(cur().viewtype & 7)];
    viewtemplate = nullptr;
    clrtextzone();
    writetemplate(cur().viewtype == 2 ? 1 : 0);
    redisplay = RP_ALL;
}

void view() {
    const int32_t page = param[1];
    if (page < 0 || page >= NVIEWPAGES || savedcore >= 0 || corenum == VIEWCORE) return;
    savedcore = corenum;
    corenum = VIEWCORE;
    savedviewtype = cur().viewtype;
    cur().viewtype = VIEWTYPE;
    cureditmask = editmask[VIEWTYPE];
    clrtextzone();
    viewtemplate = page == 0 ? view0templ() : page == 1 ? view1templ() : view2templ();
    writetemplate(1);
    redisplay = RP_ALL;
    // Page 1 counts corefile 19 out; it is emptied before its counts are read.
    const std::string text = page == 0 ? view0record() : page == 1 ? view1record() : view2record();
    if (!onlyrecord(text)) {
        resetcore();
        diserr("No room in the store for the view page");
        return;
    }
    if (page == 0) {
        mode = 1;
        return;
    }
    display();
    prmptpar(5);
    gcr();
    resetcore();
}

void viewterm() {
    // Outside a page (a corefile given object type 7 by OBJECT) return still
    // leads back to command entry, the one way out of the type.
    if (savedcore >= 0) {
        rectovar();
        resetcore();
    }
    pushfn(entercmnd);
}

void viewcmnd() {
    if (savedcore >= 0)
        viewterm();
    else
        prcmnd();
}

void resetviews() {
    savedcore = -1;
    savedviewtype = 0;
}

} // namespace oxa
