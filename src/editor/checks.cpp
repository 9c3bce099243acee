// Record checks: the field history, the evaluation of the checks of corefile
// 18, string checks, result patterns, the check display and the record
// filter of the file reader.
#include "editor/checks.hpp"

#include <cstring>
#include <string>

#include "editor/find.hpp"
#include "editor/frontend.hpp"
#include "editor/input.hpp"
#include "editor/lines.hpp"
#include "editor/motion.hpp"
#include "editor/paint.hpp"
#include "editor/params.hpp"
#include "editor/repaint.hpp"

namespace oxa {

uint64_t boolcheck = 0;
uint64_t boolerror = 0;
int32_t numchecks = 0;
std::array<LINE*, FINDRING> findlptr{};
std::array<int32_t, FINDRING> findcptr{};
int32_t findbufptr = 1;
int32_t findbotptr = 0;
arithcheckfn arithcheck = nullptr;

namespace {

constexpr int ENDOFTEXT = 4;
constexpr int LINEEND = 10;
constexpr int COMPARISONMAX = 49;

// The compiled record check of the file being read.
bool filtering = false;
uint64_t filterchk = 0;
uint64_t filtermask = 0;

// The walker, saved and put back around the history and the checks.
struct SavedWalker {
    LINE* l = lp;
    int32_t c = cp;
    int32_t d = dist;
    ~SavedWalker() {
        lp = l;
        cp = c;
        dist = d;
    }
};

bool atend() {
    return lp == nullptr || lp == cur().header;
}

void remember(int32_t slot) {
    findlptr[static_cast<size_t>(slot)] = lp;
    findcptr[static_cast<size_t>(slot)] = cp;
}

// The bits of `bits` for `n` checks, first check first.
std::string bitstring(uint64_t bits, int32_t n) {
    if (n > MAXCHECKS) n = MAXCHECKS;
    std::string s;
    for (int32_t i = n - 1; i >= 0; --i) s += ((bits >> i) & 1) != 0 ? '1' : '0';
    return s;
}

} // namespace

int32_t findentries() {
    int32_t n = (findbotptr - findbufptr + 1) % FINDRING;
    return n < 0 ? n + FINDRING : n;
}

void makecheck(const char* pat, uint64_t& chk, uint64_t& mask) {
    chk = 0;
    mask = 0;
    for (const char* p = pat; *p != '\0'; ++p) {
        chk = (chk << 1) | (*p != '0' ? 1u : 0u);
        mask = (mask << 1) | (*p != '0' && *p != '1' ? 1u : 0u);
    }
}

void checksetup() {
    SavedWalker saved;
    int32_t n = 0;
    if (!atend() && lp->object == K_RECORD) {
        cp = 1;
        while (n < MAXFINDFIELDS) {
            remember(++n);
            nextfldend();
            if (peepc() != '|') break;
            nextc();
            // A closing bar ends the record.
            if (peepc() == LINEEND) break;
        }
    } else {
        if (!atend() && !(charkind[static_cast<unsigned char>(peepc())] & WORDCH)) nextlett();
        while (n < MAXFINDFIELDS && peepc() != ENDOFTEXT) {
            remember(++n);
            nextword();
        }
    }
    findbufptr = 1;
    findbotptr = n;
}

void checkupdate() {
    if (findentries() == 0) return;
    SavedWalker saved;
    lp = findlptr[static_cast<size_t>(findbotptr)];
    cp = findcptr[static_cast<size_t>(findbotptr)];
    nextword();
    if (peepc() != ENDOFTEXT) {
        findbotptr = (findbotptr + 1) % FINDRING;
        remember(findbotptr);
    }
    findbufptr = (findbufptr + 1) % FINDRING;
}

bool recstrmatch(const char* text) {
    SavedWalker saved;
    TEXTPOS field{nullptr, 1};
    char op = 0;
    std::string comparison;
    const char* p = text;
    for (;;) {
        const char ch = *p;
        if (op == 0) {
            if (ch == '#' && field.line == nullptr) {
                int32_t n = 0;
                bool digits = false;
                for (++p; *p >= '0' && *p <= '9'; ++p) {
                    digits = true;
                    if (n < FINDRING) n = n * 10 + (*p - '0');
                }
                if (!digits || n < 1 || n > findentries()) return false;
                const auto slot = static_cast<size_t>((n + findbufptr - 1) % FINDRING);
                field = {findlptr[slot], findcptr[slot]};
                continue;
            }
            // An operator needs a field; anything else is malformed, and so
            // is the end of a check without a comparison.
            if ((ch == '=' || ch == '>' || ch == '<') && field.line != nullptr) {
                op = ch;
                ++p;
                continue;
            }
            return false;
        }
        if (ch == '\\' || ch == '\0') {
            const auto* pat = reinterpret_cast<const unsigned char*>(comparison.c_str());
            if (op != '<' && matchat(pat, field, nullptr)) return true;
            if (ch == '\0') return false;
            comparison.clear();
        } else if (static_cast<int>(comparison.size()) < COMPARISONMAX) {
            comparison += ch;
        }
        ++p;
    }
}

bool recmathmatch(const char* text) {
    if (arithcheck == nullptr || atend()) return false;
    double value = 0;
    return arithcheck(text, static_cast<int32_t>(std::strlen(text)), lp, cp, value) && value != 0;
}

void multicheck() {
    numchecks = 0;
    boolcheck = 0;
    boolerror = 0;
    const COREFILE& k = core[CHECKCORE];
    for (const LINE* l = k.header->down; l != k.header; l = l->down) {
        // A blank line holds no check.
        if ((l->object != K_TEXT && l->object != K_EMPTY) || l->length == 0) continue;
        const std::string text(reinterpret_cast<const char*>(&textbase[static_cast<size_t>(l->index)]),
                               static_cast<size_t>(l->length));
        uint64_t bit = 0, err = 0;
        if (text[0] == '$') {
            bit = recstrmatch(text.substr(1, CHECKTEXTMAX - 1).c_str()) ? 1 : 0;
        } else {
            double value = 0;
            if (arithcheck != nullptr && !atend() &&
                arithcheck(text.c_str(), static_cast<int32_t>(text.size()), lp, cp, value))
                bit = value != 0 ? 1 : 0;
            else
                err = 1;
        }
        boolcheck = (boolcheck << 1) | bit;
        boolerror = (boolerror << 1) | err;
        ++numchecks;
    }
}

void extchk() {
    setptr();
    const int32_t vt = cur().viewtype;
    if (vt == 1 || vt == 2) cp = 1;
    checksetup();
    multicheck();
    redisplay = RP_CHECKS;
}

void showbool() {
    putbool(bitstring(boolerror, numchecks).c_str(), bitstring(boolcheck, numchecks).c_str());
}

void startrecfilter() {
    filtering = recboolcheck[0] != '\0';
    if (filtering) makecheck(recboolcheck.data(), filterchk, filtermask);
}

void recfilter(int64_t mark, LINE* prevtail) {
    if (!filtering) return;
    LINE* l = cur().lnptr;
    if (l->object == K_RECORD) {
        lp = l;
        cp = 1;
        dist = 0;
        checksetup();
        multicheck();
        if ((boolcheck | filtermask) == filterchk) return;
    }
    takebackline(mark, prevtail);
    lp = nullptr;
}

void resetchecks() {
    boolcheck = 0;
    boolerror = 0;
    numchecks = 0;
    findlptr.fill(nullptr);
    findcptr.fill(0);
    findbufptr = 1;
    findbotptr = 0;
    filtering = false;
    filterchk = 0;
    filtermask = 0;
}

} // namespace oxa
