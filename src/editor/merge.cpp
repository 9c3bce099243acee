// Merge and field assignment.
#include "editor/merge.hpp"

#include <cstdio>
#include <cstring>
#include <vector>

#include "editor/checks.hpp"
#include "editor/evaluator.hpp"
#include "editor/files.hpp"
#include "editor/frontend.hpp"
#include "editor/input.hpp"
#include "editor/lines.hpp"
#include "editor/paint.hpp"
#include "editor/params.hpp"
#include "editor/repaint.hpp"
#include "editor/typing.hpp"

namespace oxa {

const char* const stars = "****";

std::array<int64_t, MAXMRGFIELDS + 1> fieldptr{};
std::array<int32_t, MAXMRGFIELDS + 1> mrgflen{};
int32_t mrgnumfields = 0;
int32_t terminate = '|';

const unsigned char* mrgptr = nullptr;
int32_t mrglen = 0;
int32_t mrgcnt = 0;
int64_t mrgavail = 0;

namespace {

bool holdstext(const LINE* l) {
    return l->object != K_EMPTY && l->object != K_PICTURE && l->object != K_DEAD;
}

int32_t textlength(const LINE* l) {
    return holdstext(l) ? l->length : 0;
}

unsigned char byteof(const LINE* l, int32_t col) {
    return textbase[static_cast<size_t>(l->index + col - 1)];
}

constexpr int32_t MAXFIELDREF = 1000000; // a reference's digits stop growing here

} // namespace

void mrgsetup(LINE* line, int32_t col) {
    const COREFILE& c = cur();
    mrgnumfields = 0;
    fieldptr[0] = 0;
    mrgflen[0] = 0;
    if (line == nullptr || line == c.header) return;
    const bool record = line->object == K_RECORD;
    terminate = record ? '|' : ' ';
    const bool words = !record;
    LINE* l = line;
    int32_t p = record ? 1 : (col < 1 ? 1 : col);
    auto skipblanks = [&] {
        while (p <= textlength(l) && byteof(l, p) == ' ')
            ++p;
    };
    if (words) skipblanks();
    while (mrgnumfields < MAXMRGFIELDS) {
        if (p > textlength(l)) {
            // The line ends the record, except that in a text corefile a
            // paragraph goes on while its lines start at the left margin.
            if (c.viewtype != 0 || !words) break;
            l = l->down;
            if (l == c.header || l->object != K_TEXT) break;
            p = 1;
            skipblanks();
            if (p != lmargin || p > textlength(l)) break;
            continue;
        }
        const int32_t start = p;
        while (p <= textlength(l) && byteof(l, p) != terminate)
            ++p;
        ++mrgnumfields;
        fieldptr[static_cast<size_t>(mrgnumfields)] = l->index + start - 1;
        mrgflen[static_cast<size_t>(mrgnumfields)] = p - start;
        if (p <= textlength(l)) ++p; // the separator
        if (words) skipblanks();
    }
}

bool mrgexpand(const unsigned char* tmpl, int32_t len, std::string& out) {
    out.clear();
    mrgcnt = 0;
    if (tmpl == nullptr) return true;
    while (mrgcnt < len && tmpl[mrgcnt] != 0) {
        const unsigned char ch = tmpl[mrgcnt++];
        if (ch == '`') continue;
        if (ch != '#') {
            out.push_back(static_cast<char>(ch));
            continue;
        }
        int32_t n = 0;
        while (mrgcnt < len && tmpl[mrgcnt] >= '0' && tmpl[mrgcnt] <= '9') {
            if (n < MAXFIELDREF) n = n * 10 + (tmpl[mrgcnt] - '0');
            ++mrgcnt;
        }
        if (n > mrgnumfields) {
            fperror = FP_NOFIELD;
            return false;
        }
        if (n == 0) continue; // field 0 is always empty
        out.append(reinterpret_cast<const char*>(&textbase[static_cast<size_t>(fieldptr[n])]),
                   static_cast<size_t>(mrgflen[static_cast<size_t>(n)]));
    }
    return true;
}

bool merge(std::string* message) {
    const COREFILE& c = cur();
    mrgavail = avail;
    mrgsetup(c.lnptr, c.curcol);
    std::string out;
    if (!mrgexpand(mrgptr, mrglen, out)) {
        if (message != nullptr) {
            char text[64];
            std::snprintf(text, sizeof text, "Field reference beyond field %d of the record",
                          mrgnumfields);
            *message = text;
        }
        return false;
    }
    const int64_t need = static_cast<int64_t>(out.size());
    if (avail + need > HEAPSIZE) garbage();
    if (avail + need > HEAPSIZE) {
        if (message != nullptr) *message = "Merged text too long for the free store";
        return false;
    }
    // Byte 255 marks free heap bytes and never stands in text.
    for (char& ch : out)
        if (static_cast<unsigned char>(ch) == FREEBYTE) ch = '?';
    std::memcpy(&textbase[static_cast<size_t>(avail)], out.data(), out.size());
    mrgavail = avail + need;
    return true;
}

int32_t mrgcondition(const unsigned char* tmpl, int32_t len, LINE* line, int32_t col,
                     double& value) {
    mrgsetup(line, col);
    std::string out;
    if (!mrgexpand(tmpl, len, out)) {
        fperror = FP_OK;
        return FP_NOFIELD;
    }
    dijkstra(out.data(), static_cast<int32_t>(out.size()));
    if (fperror == FP_OK) value = numstack[static_cast<size_t>(ni)];
    const int32_t err = fperror;
    resetstacks();
    fperror = FP_OK;
    return err;
}

bool arithmerge(const char* text, int32_t len, LINE* line, int32_t col, double& value) {
    return mrgcondition(reinterpret_cast<const unsigned char*>(text), len, line, col, value) ==
           FP_OK;
}

void domerge() {
    const int32_t saved = corenum;
    corenum = MERGECORE;
    COREFILE& c = cur();
    const int64_t end = mrgavail;
    for (int64_t p = avail;;) {
        int64_t q = p;
        while (q < end && textbase[static_cast<size_t>(q)] != MRGLINEEND)
            ++q;
        // The piece p .. q-1 lies at `avail`: it becomes the new line's text.
        if (!allocln(K_TEXT, static_cast<int32_t>(q - p))) break;
        linkphys();
        if (q >= end) break;
        textbase[static_cast<size_t>(q)] = FREEBYTE; // the line end itself
        avail = q + 1;
        p = q + 1;
        // A line end at the very end (a template file's last line) ends the
        // last piece; it starts no empty one.
        if (p >= end) break;
    }
    c.disln = c.lnptr;
    c.curcol = 1;
    corenum = saved;
}

namespace {

// Expands `tmpl` at the cursor; shows why when nothing was built.  A record
// with fewer fields than the template names is a matter of the data, met by
// procedures merging over many records: it is noted without a wait.
bool expandhere(const unsigned char* tmpl, int32_t len) {
    mrgptr = tmpl;
    mrglen = len;
    std::string why;
    if (merge(&why)) return true;
    if (fperror == FP_NOFIELD)
        notice(why.c_str());
    else
        diserr(why.c_str());
    return false;
}

const unsigned char* bytes(const char* s) {
    return reinterpret_cast<const unsigned char*>(s);
}

// Appends the merge of `tmpl` at the cursor to the merge corefile.
void mergeinto(const unsigned char* tmpl, int32_t len) {
    if (!expandhere(tmpl, len)) {
        fperror = FP_OK;
        return;
    }
    domerge();
}

} // namespace

void mrgexp() {
    const int32_t len = static_cast<int32_t>(strnlen(expression.data(), expression.size()));
    if (!expandhere(bytes(expression.data()), len)) {
        fperror = FP_OK; // the register stays as it was
        redisplay = RP_REGISTER;
        return;
    }
    dijkstra(&textbase[static_cast<size_t>(avail)], static_cast<int32_t>(mrgavail - avail));
    if (fperror == FP_OK) reg() = numstack[static_cast<size_t>(ni)];
    resetstacks();
    redisplay = RP_REGISTER;
}

void mrgtext() {
    mergeinto(bytes(mrgstring.data()),
              static_cast<int32_t>(strnlen(mrgstring.data(), mrgstring.size())));
}

void mrgrec() {
    if (mrgbufptr == nullptr) {
        diserr("No merge template loaded");
        return;
    }
    mergeinto(bytes(mrgbufptr), static_cast<int32_t>(std::strlen(mrgbufptr)));
}

namespace {

// Reads a rule "#n:expression": the target field and the expression.
bool parserule(const std::string& rule, int32_t& field, std::string& expr) {
    if (rule.size() < 3 || rule[0] != '#') return false;
    size_t i = 1;
    int32_t n = 0;
    while (i < rule.size() && rule[i] >= '0' && rule[i] <= '9') {
        if (n < MAXFIELDREF) n = n * 10 + (rule[i] - '0');
        ++i;
    }
    if (n <= 0 || i >= rule.size() || rule[i] != ':') return false;
    field = n;
    expr = rule.substr(i + 1);
    return true;
}

// Types `text` at the cursor as record entry does, one byte at a time.
void typeinto(const char* text) {
    for (const char* p = text; *p != 0; ++p) {
        holdch = static_cast<unsigned char>(*p);
        bldrec();
    }
}

} // namespace

void mrgassign() {
    // The rules are copied first: typing may move text in the heap.
    std::vector<std::string> rules;
    const COREFILE& rc = core[RULECORE];
    for (const LINE* l = rc.header->down; l != rc.header; l = l->down)
        rules.emplace_back(reinterpret_cast<const char*>(&textbase[static_cast<size_t>(l->index)]),
                           static_cast<size_t>(textlength(l)));
    for (const std::string& rule : rules) {
        COREFILE& c = cur();
        if (c.lnptr->object != K_RECORD) break;
        int32_t field;
        std::string expr;
        if (!parserule(rule, field, expr)) continue;
        mrgsetup(c.lnptr, c.curcol);
        std::string merged;
        if (!mrgexpand(bytes(expr.c_str()), static_cast<int32_t>(expr.size()), merged)) {
            fperror = FP_OK;
            continue;
        }
        if (field > mrgnumfields) continue;
        dijkstra(merged.data(), static_cast<int32_t>(merged.size()));
        const int32_t err = fperror;
        const double value = err == FP_OK ? numstack[static_cast<size_t>(ni)] : 0;
        resetstacks();
        fperror = FP_OK;
        c.curcol = locatefield(c.lnptr, field) + 1;
        if (err == FP_OK) {
            erasefield();
            char text[32];
            std::snprintf(text, sizeof text, "%.8g", value);
            typeinto(text);
        } else {
            typeinto(stars);
        }
        c.curcol = locatefield(c.lnptr, field) + 1;
    }
    redisplay = RP_ALL;
}

void resetmerge() {
    fieldptr.fill(0);
    mrgflen.fill(0);
    mrgnumfields = 0;
    terminate = '|';
    mrgptr = nullptr;
    mrglen = 0;
    mrgcnt = 0;
    mrgavail = 0;
    arithcheck = arithmerge;
}

} // namespace oxa
