// Record templates: reading the layout language and drawing literal text.
#include "editor/templates.hpp"

#include <algorithm>
#include <cstdio>

#include "editor/files.hpp"
#include "editor/frontend.hpp"
#include "editor/paint.hpp"
#include "editor/params.hpp"
#include "editor/repaint.hpp"
#include "editor/store.hpp"

namespace oxa {

const char* viewtemplate = nullptr;
std::string templateerror;

namespace {

constexpr int32_t MAXNUMBER = 100000; // numbers in a template stop growing here

struct reader {
    const unsigned char* p = nullptr;
    int32_t row = 1;
    int32_t col = 1;
    int32_t line = 1; // template line, for messages
    bool draw = false;
    bool penmoved = true; // the next literal needs a cursor positioning

    int peek() const { return *p == TEMPLATEEND ? 0 : *p; }

    int32_t number() {
        int32_t n = 0;
        while (*p >= '0' && *p <= '9') {
            if (n < MAXNUMBER) n = n * 10 + (*p - '0');
            ++p;
        }
        return n;
    }
    void setrow(int32_t r) {
        row = std::clamp(r, 1, std::max(depth - 1, 1));
        penmoved = true;
    }
    void setcol(int32_t c) {
        col = std::clamp(c, 1, std::max(swidth, 1));
        penmoved = true;
    }
    bool fail(const char* what, int ch) {
        char text[96];
        if (ch >= 32 && ch < 127)
            std::snprintf(text, sizeof text, "Template error on line %d: %s '%c'", line, what, ch);
        else
            std::snprintf(text, sizeof text, "Template error on line %d: %s (byte %d)", line, what,
                          ch);
        templateerror = text;
        return false;
    }
    // `#` n [/ length [/ type]]; `p` stands after the `#`.
    bool field() {
        const int32_t n = number();
        int32_t len = 5;
        char kind = 'c';
        if (*p == '/') {
            ++p;
            len = number();
            if (*p == '/') {
                ++p;
                const int t = peek();
                if (!((t >= 'a' && t <= 'z') || (t >= 'A' && t <= 'Z')))
                    return fail("field type must be a letter, not", t);
                kind = static_cast<char>(t);
                ++p;
            }
        }
        if (n < 1 || n > MAXFIELDS) return true; // beyond the layout: ignored
        frow[static_cast<size_t>(n)] = row + 2;
        fcol[static_cast<size_t>(n)] = col + 1;
        maxfieldlen[static_cast<size_t>(n)] = len;
        ftype[static_cast<size_t>(n)] = kind;
        numfields = std::max(numfields, n);
        return true;
    }
    void literal(int ch) {
        if (draw) {
            if (penmoved) postcur(col + 1, row + 2);
            putch(ch);
        }
        penmoved = false;
        if (col < swidth)
            ++col;
        else
            penmoved = true;
    }
    bool directive() {
        for (;;) {
            const int ch = peek();
            if (ch == 0) return fail("directive not closed before the end", ch);
            ++p;
            switch (ch) {
            case ' ':
            case ',':
                break;
            case 'r':
                setrow(number());
                break;
            case 'c':
                setcol(number());
                break;
            case '#':
                if (!field()) return false;
                break;
            case '}':
                return true;
            default:
                return fail("unexpected character in directive", ch);
            }
        }
    }
    bool run() {
        for (;;) {
            const int ch = peek();
            if (ch == 0) return true;
            ++p;
            switch (ch) {
            case '\r':
            case '\n':
                ++line;
                setrow(row + 1);
                setcol(1);
                break;
            case '#':
                if (!field()) return false;
                break;
            case '{':
                if (!directive()) return false;
                break;
            case '}':
                return fail("closing brace without a directive", ch);
            default:
                literal(ch);
                break;
            }
        }
    }
};

} // namespace

int32_t layouttemplate(const char* text, int32_t draw) {
    deftemplate();
    templateerror.clear();
    if (text == nullptr) return 0;
    numfields = 0;
    reader r;
    r.p = reinterpret_cast<const unsigned char*>(text);
    r.draw = draw != 0 && visible != 0;
    const bool ok = r.run();
    if (numfields == 0) numfields = 10; // a template without fields: the default count
    return ok ? 0 : 1;
}

int32_t writetemplate(int32_t draw) {
    return layouttemplate(viewtemplate != nullptr ? viewtemplate : tempbufptr, draw);
}

void showtemplate() {
    if (cur().viewtype == 2) writetemplate(1);
}

void setspecs() {
    loadtype = param[1] == 2 ? 3 : 1;
    if (!readfile()) return;
    if (loadtype == 3) return;
    const bool shown = cur().viewtype == 2;
    if (shown) clrtextzone();
    // Noted without a wait: the keys after the command are not taken as the answer.
    if (writetemplate(shown ? 1 : 0) != 0) notice(templateerror.c_str());
    if (shown) redisplay = RP_ALL;
}

void resettemplates() {
    viewtemplate = nullptr;
    templateerror.clear();
}

} // namespace oxa
