// The expression evaluator and the register.
//
// Expressions are evaluated by operator precedence over two stacks: values in
// `numstack`, operators in `opstack`.  `numstack[oldindex]` is the register;
// an expression's values are pushed above it, so a well-formed expression
// leaves exactly one value at `oldindex` + 1.  Numbers are read by the
// table-driven scanner `flread` (`fltable`): at most 9 significant digits,
// an apostrophe for the exponent, the value rounded to single precision.
// Operator results stay in double precision.  No operation ever traps: a
// result that is not finite is an overflow error and the register keeps its
// value.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace oxa {

constexpr int NUMSTACKSIZE = 25;
constexpr int OPSTACKSIZE = 25;
constexpr int32_t oldindex = 1;       // the register's place on the value stack
constexpr int FPRESULTSIZE = 20;      // the register's display text, NUL included

// `fperror` values.
constexpr int32_t FP_OK = 0;
constexpr int32_t FP_SYNTAX = 1;
constexpr int32_t FP_OVERFLOW = 2;
constexpr int32_t FP_NOFIELD = 3; // a merge referred to a missing field
constexpr int32_t FP_ENDED = -1;  // internal: the expression has ended

// Character classes of the expression language (`typex`).
enum ExprClass : int32_t {
    X_DIGIT = 0,
    X_BLANK = 1,
    X_POINT = 2,
    X_EXPMARK = 3, // apostrophe
    X_PLUS = 4,
    X_MINUS = 5,
    X_END = 6,
    X_TIMES = 7,
    X_DIVIDE = 8,
    X_OPEN = 9,
    X_CLOSE = 10,
    X_NEGATE = 11, // a minus where an operand is expected
    X_LESS = 12,
    X_EQUAL = 13,
    X_GREATER = 14,
    X_AND = 15,
    X_OR = 16,
    X_SKIP = 18, // '#'
};
// Class of a character: the table covers blank to '>'; everything else is X_END.
int32_t typex(int ch);

// Priorities by class: incoming, and on the stack.
extern const std::array<int8_t, 19> iprior;
extern const std::array<int8_t, 19> sprior;

// Number scanner: one action per (character class clamped to 6, state).
enum FlAction : uint8_t {
    FL_MAN10,  // integer digit: state 3, digit into the mantissa (9 significant)
    FL_EXPDC,  // decimal digit: state 5, digit into the mantissa, flexp - 1
    FL_EXP10,  // exponent digit: state 0
    FL_ST2,    // sign before the mantissa: state 2
    FL_ST4,    // decimal point: state 4
    FL_ST6,    // exponent mark: state 6
    FL_ST7,    // plus after the exponent mark: state 7
    FL_MAN1,   // exponent mark without digits: mantissa 1, state 6
    FL_MINSGN, // minus before the mantissa: state 2, negative mantissa
    FL_MINESG, // minus after the exponent mark: state 7, negative exponent
    FL_FINISH, // the number ends; the character is not consumed
    FL_NOOP,   // the character is consumed
};
constexpr int FLCLASSES = 7;
constexpr int FLSTATES = 8;
extern const std::array<std::array<FlAction, FLSTATES>, FLCLASSES> fltable;

// Evaluator state.
extern std::array<double, NUMSTACKSIZE> numstack;
extern int32_t ni;
extern std::array<int32_t, OPSTACKSIZE> opstack;
extern int32_t opindex;
extern int32_t fperror;
extern const unsigned char* expstart;
extern const unsigned char* expptr;
extern int32_t explen;
extern int32_t fpnumused;
extern int32_t unary;
extern std::array<char, FPRESULTSIZE> fpresult;

// Scanner state.
extern int32_t flstate;
extern int64_t mantissa;
extern int32_t flexp;
extern int32_t exponent;
extern int32_t esign;
extern int32_t flch;
extern int32_t done;

// Evaluates `length` bytes of `text`; returns the number of characters
// consumed.  When `fperror` is 0 the value is `numstack[ni]`.
int32_t dijkstra(const unsigned char* text, int32_t length);
int32_t dijkstra(const char* text, int32_t length);
// Reads one number at `expptr` and pushes it.
void flread();
// Applies the pending operators whose stack priority is not below `prior`.
void unstack(int32_t prior);
// Puts both stacks back to the base (the register stays).
void resetstacks();

// The register.
double& reg();
// Formats a value as the register display shows it ("%.8g", `e` -> apostrophe).
void regformat(double value, char* out, size_t size);
// The register display (repaint level 11): `fpresult` and "$mf", or the
// error text; the error state is then cleared.
void putregister();

// EVALUATE: the expression in `mathstring`.
void evaluate();
// Edit codes 42..46: register =, +, -, x, / the expression from the cursor to
// the end of the line (the operation is chosen by the edit code in `type`).
void compute0();
void reginc();
void regclear();
void regshow();
void regdis();

// Restores the register and the stacks (start-up and tests) and installs the
// register display with the painter.
void resetevaluator();

} // namespace oxa
