// The expression evaluator, its number scanner and the register keys.
#include "editor/evaluator.hpp"

#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "editor/editloop.hpp"
#include "editor/frontend.hpp"
#include "editor/input.hpp"
#include "editor/lines.hpp"
#include "editor/paint.hpp"
#include "editor/params.hpp"
#include "editor/repaint.hpp"
#include "editor/store.hpp"
#include "editor/typing.hpp"

namespace oxa {

namespace {

// Classes of the characters blank (32) to '>' (62), one row per character.
constexpr std::array<int8_t, 31> typextable = {
    X_BLANK,   // ' '
    X_OR,      // '!'
    X_END,     // '"'
    X_SKIP,    // '#'
    X_END,     // '$'
    X_END,     // '%'
    X_AND,     // '&'
    X_EXPMARK, // apostrophe
    X_OPEN,    // '('
    X_CLOSE,   // ')'
    X_TIMES,   // '*'
    X_PLUS,    // '+'
    X_END,     // ','
    X_MINUS,   // '-'
    X_POINT,   // '.'
    X_DIVIDE,  // '/'
    X_DIGIT, X_DIGIT, X_DIGIT, X_DIGIT, X_DIGIT,
    X_DIGIT, X_DIGIT, X_DIGIT, X_DIGIT, X_DIGIT, // '0' .. '9'
    X_END,     // ':'
    X_END,     // ';'
    X_LESS,    // '<'
    X_EQUAL,   // '='
    X_GREATER, // '>'
};
static_assert(typextable.size() == '>' - ' ' + 1);

// Largest exponent of ten applied by scaling; beyond it a number is 0 or an
// overflow whatever its digits.
constexpr int32_t MAXSCALE = 400;
constexpr int32_t MAXEXPDIGITS = 100000; // the exponent read stops growing here

constexpr int64_t MANTISSALIMIT = 100000000; // digits are taken while below this

const unsigned char* expend = nullptr; // just past the expression's last byte

// The byte at `expptr`, or -1 at the end of the expression.
int current() {
    return expptr < expend ? *expptr : -1;
}

void pushvalue(double v) {
    if (ni + 1 >= NUMSTACKSIZE) {
        fperror = FP_SYNTAX;
        return;
    }
    numstack[static_cast<size_t>(++ni)] = v;
}

void pushop(int32_t op) {
    if (opindex + 1 >= OPSTACKSIZE) {
        fperror = FP_SYNTAX;
        return;
    }
    opstack[static_cast<size_t>(++opindex)] = op;
}

// Applies one operator to the values on top of the stack.
void apply(int32_t op) {
    if (op == X_OPEN) {
        fperror = FP_SYNTAX; // an unmatched '('
        return;
    }
    if (op == X_NEGATE) {
        if (ni <= oldindex) {
            fperror = FP_SYNTAX;
            return;
        }
        numstack[static_cast<size_t>(ni)] = -numstack[static_cast<size_t>(ni)];
        return;
    }
    --ni;
    if (ni <= oldindex) {
        ni = oldindex;
        fperror = FP_SYNTAX;
        return;
    }
    const double a = numstack[static_cast<size_t>(ni)];
    const double b = numstack[static_cast<size_t>(ni + 1)];
    double r = 0;
    switch (op) {
    case X_PLUS:
        r = a + b;
        break;
    case X_MINUS:
        r = a - b;
        break;
    case X_TIMES:
        r = a * b;
        break;
    case X_DIVIDE:
        r = a / b;
        break;
    case X_LESS:
        r = a < b ? 1 : 0;
        break;
    case X_GREATER:
        r = a > b ? 1 : 0;
        break;
    case X_EQUAL:
        r = std::fabs(a - b) <= 1e-8 * std::fmax(std::fabs(a), std::fabs(b)) ? 1 : 0;
        break;
    case X_AND:
        r = a * b >= 1e-12 ? 1 : 0;
        break;
    case X_OR:
        r = a + b >= 1e-12 ? 1 : 0;
        break;
    default:
        fperror = FP_SYNTAX;
        return;
    }
    if (!std::isfinite(r)) {
        fperror = FP_OVERFLOW;
        return;
    }
    numstack[static_cast<size_t>(ni)] = r;
}

// The scaled value of the scanned number, rounded to single precision.
void pushnumber(bool negative) {
    if (mantissa == 0) {
        pushvalue(0);
        return;
    }
    const int32_t scale = esign * exponent + flexp;
    double v = static_cast<double>(mantissa);
    if (scale > MAXSCALE) {
        fperror = FP_OVERFLOW;
        return;
    }
    if (scale < -MAXSCALE) {
        v = 0;
    } else {
        for (int32_t i = 0; i < scale; ++i)
            v *= 10;
        for (int32_t i = 0; i > scale; --i)
            v /= 10;
    }
    if (!std::isfinite(v) || v > FLT_MAX) {
        fperror = FP_OVERFLOW;
        return;
    }
    v = static_cast<double>(static_cast<float>(v));
    pushvalue(negative ? -v : v);
}

} // namespace

// clang-format off
constexpr std::array<std::array<FlAction, FLSTATES>, FLCLASSES> fltable = {{
    // states:  0          1          2          3          4          5          6          7
    {{FL_EXP10, FL_MAN10,  FL_MAN10,  FL_MAN10,  FL_EXPDC,  FL_EXPDC,  FL_EXP10,  FL_EXP10}},  // 0 digit
    {{FL_FINISH, FL_NOOP,  FL_NOOP,   FL_FINISH, FL_FINISH, FL_FINISH, FL_FINISH, FL_FINISH}}, // 1 blank
    {{FL_FINISH, FL_ST4,   FL_ST4,    FL_ST4,    FL_FINISH, FL_FINISH, FL_FINISH, FL_FINISH}}, // 2 point
    {{FL_FINISH, FL_MAN1,  FL_MAN1,   FL_ST6,    FL_FINISH, FL_ST6,    FL_FINISH, FL_FINISH}}, // 3 apostrophe
    {{FL_FINISH, FL_ST2,   FL_FINISH, FL_FINISH, FL_FINISH, FL_FINISH, FL_ST7,    FL_FINISH}}, // 4 plus
    {{FL_FINISH, FL_MINSGN, FL_FINISH, FL_FINISH, FL_FINISH, FL_FINISH, FL_MINESG, FL_FINISH}}, // 5 minus
    {{FL_FINISH, FL_FINISH, FL_FINISH, FL_FINISH, FL_FINISH, FL_FINISH, FL_FINISH, FL_FINISH}}, // 6 other
}};
// clang-format on

// Classes:                          0  1  2  3  4  5  6  7  8  9 10 11 12 13 14 15 16 17 18
constexpr std::array<int8_t, 19> iprior = {0, 0, 0, 0, 5, 5, 0, 6, 6, 8, 1, 7, 4, 4, 4, 3, 2, 0, 0};
constexpr std::array<int8_t, 19> sprior = {0, 0, 0, 0, 5, 5, 0, 6, 6, 0, 0, 6, 4, 4, 4, 3, 2, 0, 0};

std::array<double, NUMSTACKSIZE> numstack{};
int32_t ni = oldindex;
std::array<int32_t, OPSTACKSIZE> opstack{};
int32_t opindex = 0;
int32_t fperror = FP_OK;
const unsigned char* expstart = nullptr;
const unsigned char* expptr = nullptr;
int32_t explen = 0;
int32_t fpnumused = 0;
int32_t unary = 1;
std::array<char, FPRESULTSIZE> fpresult = {'0'};

int32_t flstate = 1;
int64_t mantissa = 0;
int32_t flexp = 0;
int32_t exponent = 0;
int32_t esign = 1;
int32_t flch = 0;
int32_t done = 0;

int32_t typex(int ch) {
    if (ch < ' ' || ch > '>') return X_END;
    return typextable[static_cast<size_t>(ch - ' ')];
}

void resetstacks() {
    ni = oldindex;
    opindex = 0;
}

void unstack(int32_t prior) {
    while (opindex > 0 && fperror == FP_OK &&
           prior <= sprior[static_cast<size_t>(opstack[static_cast<size_t>(opindex)])]) {
        const int32_t op = opstack[static_cast<size_t>(opindex--)];
        apply(op);
    }
}

void flread() {
    flstate = 1;
    mantissa = 0;
    flexp = 0;
    exponent = 0;
    esign = 1;
    done = 0;
    bool negative = false;
    while (done == 0) {
        flch = current();
        int32_t cls = flch < 0 ? X_END : typex(flch);
        if (cls > X_END) cls = X_END;
        const int digit = flch - '0';
        switch (fltable[static_cast<size_t>(cls)][static_cast<size_t>(flstate)]) {
        case FL_MAN10:
            flstate = 3;
            if (mantissa < MANTISSALIMIT)
                mantissa = mantissa * 10 + digit;
            else
                ++flexp;
            break;
        case FL_EXPDC:
            flstate = 5;
            if (mantissa < MANTISSALIMIT) {
                mantissa = mantissa * 10 + digit;
                --flexp;
            }
            break;
        case FL_EXP10:
            flstate = 0;
            if (exponent < MAXEXPDIGITS) exponent = exponent * 10 + digit;
            break;
        case FL_ST2:
            flstate = 2;
            break;
        case FL_ST4:
            flstate = 4;
            break;
        case FL_ST6:
            flstate = 6;
            break;
        case FL_ST7:
            flstate = 7;
            break;
        case FL_MAN1:
            mantissa = 1;
            flstate = 6;
            break;
        case FL_MINSGN:
            flstate = 2;
            negative = true;
            break;
        case FL_MINESG:
            flstate = 7;
            esign = -1;
            break;
        case FL_FINISH:
            done = 1;
            break;
        case FL_NOOP:
            break;
        }
        if (done == 0) ++expptr;
    }
    pushnumber(negative);
}

int32_t dijkstra(const unsigned char* text, int32_t length) {
    static const unsigned char nothing = 0;
    if (text == nullptr || length < 0) {
        text = &nothing;
        length = 0;
    }
    fperror = FP_OK;
    unary = 1;
    resetstacks();
    expstart = text;
    expptr = text;
    explen = length;
    expend = text + length;
    while (current() == ' ')
        ++expptr;
    if (current() < 0 || typex(current()) == X_END) fperror = FP_SYNTAX;
    while (fperror == FP_OK) {
        const int ch = current();
        int32_t cls = ch < 0 ? X_END : typex(ch);
        if (unary != 0 && cls == X_PLUS) {
            ++expptr;
            continue;
        }
        if (unary != 0 && cls == X_MINUS) cls = X_NEGATE;
        switch (cls) {
        case X_DIGIT:
        case X_POINT:
        case X_EXPMARK:
            flread();
            unary = 0;
            break;
        case X_CLOSE:
            ++expptr;
            unstack(iprior[X_CLOSE]);
            if (fperror != FP_OK) break;
            if (opindex == 0)
                fperror = FP_SYNTAX;
            else
                --opindex; // the '('
            unary = 0;
            break;
        case X_BLANK:
        case X_END:
            if (ch >= 0) ++expptr;
            unstack(iprior[X_END]);
            if (fperror == FP_OK) fperror = FP_ENDED;
            break;
        case X_SKIP:
            ++expptr;
            break;
        default: // an operator
            ++expptr;
            unstack(iprior[static_cast<size_t>(cls)]);
            if (fperror != FP_OK) break;
            pushop(cls);
            unary = 1;
            break;
        }
    }
    if (fperror == FP_ENDED) fperror = (ni == oldindex + 1 && opindex == 0) ? FP_OK : FP_SYNTAX;
    if (fperror != FP_OK) resetstacks();
    fpnumused = static_cast<int32_t>(expptr - text);
    return fpnumused;
}

int32_t dijkstra(const char* text, int32_t length) {
    return dijkstra(reinterpret_cast<const unsigned char*>(text), length);
}

double& reg() {
    return numstack[oldindex];
}

void regformat(double value, char* out, size_t size) {
    fmtfloat(value, out, size);
}

void putregister() {
    if (fperror == FP_OK || fperror == FP_NOFIELD)
        regformat(reg(), fpresult.data(), fpresult.size());
    putfloat(reg(), fperror == FP_NOFIELD ? FP_OK : fperror);
    fperror = FP_OK;
}

void evaluate() {
    const int32_t len = static_cast<int32_t>(strnlen(mathstring.data(), mathstring.size()));
    dijkstra(mathstring.data(), len);
    if (fperror != FP_OK) {
        const int32_t err = fperror;
        fperror = FP_OK;
        diserr(err == FP_OVERFLOW ? "Overflow Error" : "Syntax Error");
        return;
    }
    const double value = numstack[static_cast<size_t>(ni)];
    resetstacks();
    std::array<char, 48> text{};
    std::snprintf(text.data(), text.size(), " = %.8g", value);
    std::snprintf(xvmsg.data(), xvmsg.size(), "%s%s", wire::code(wire::kind::cmdline), text.data());
    xvtransmit(xvmsg.data());
    shadowappend(text.data());
    gcr();
}

namespace {

// The current line's bytes from the cursor to its end.
void restofline(const unsigned char*& text, int32_t& length) {
    const COREFILE& c = cur();
    const LINE* l = c.lnptr;
    text = nullptr;
    length = 0;
    if (l == c.header || l->object == K_EMPTY || l->object == K_PICTURE || l->object == K_DEAD)
        return;
    const int32_t from = c.curcol - 1;
    if (from < 0 || from >= l->length) return;
    text = &textbase[static_cast<size_t>(l->index + from)];
    length = l->length - from;
}

// Edit codes of the register keys.
constexpr int CODE_REGSET = 42;
constexpr int CODE_REGADD = 43;
constexpr int CODE_REGSUB = 44;
constexpr int CODE_REGMUL = 45;
constexpr int CODE_REGDIV = 46;

// Puts `value` into the register unless it is not finite.
void setregister(double value) {
    if (!std::isfinite(value))
        fperror = FP_OVERFLOW;
    else
        reg() = value;
}

} // namespace

void compute0() {
    const unsigned char* text;
    int32_t length;
    restofline(text, length);
    dijkstra(text, length);
    if (fperror == FP_OK) {
        const double v = numstack[static_cast<size_t>(ni)];
        resetstacks();
        switch (type) {
        case CODE_REGSET:
            setregister(v);
            break;
        case CODE_REGADD:
            setregister(reg() + v);
            break;
        case CODE_REGSUB:
            setregister(reg() - v);
            break;
        case CODE_REGMUL:
            setregister(reg() * v);
            break;
        case CODE_REGDIV:
            setregister(reg() / v);
            break;
        default:
            break;
        }
    }
    redisplay = RP_REGISTER;
}

void reginc() {
    setregister(reg() + 1);
    redisplay = RP_REGISTER;
}

void regclear() {
    reg() = 0;
    redisplay = RP_REGISTER;
}

void regshow() {
    const double t = std::trunc(reg());
    int32_t v;
    if (t >= static_cast<double>(INT32_MAX))
        v = INT32_MAX;
    else if (t <= static_cast<double>(INT32_MIN))
        v = INT32_MIN;
    else
        v = static_cast<int32_t>(t);
    result() = v;
    redisplay = RP_REGISTER;
}

void regdis() {
    regformat(reg(), fpresult.data(), fpresult.size());
    const std::array<char, FPRESULTSIZE> text = fpresult;
    const bool record = cur().lnptr->object == K_RECORD;
    for (const char* p = text.data(); *p != 0; ++p) {
        holdch = static_cast<unsigned char>(*p);
        if (record)
            bldrec();
        else
            bldtxt();
    }
    redisplay = RP_ROW;
}

void resetevaluator() {
    numstack.fill(0);
    opstack.fill(0);
    resetstacks();
    fperror = FP_OK;
    expstart = expptr = expend = nullptr;
    explen = 0;
    fpnumused = 0;
    unary = 1;
    fpresult.fill(0);
    fpresult[0] = '0';
    flstate = 1;
    mantissa = 0;
    flexp = 0;
    exponent = 0;
    esign = 1;
    flch = 0;
    done = 0;
    showregister = putregister;
}

} // namespace oxa
