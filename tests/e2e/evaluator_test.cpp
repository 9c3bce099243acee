// The evaluator end to end: EVALUATE's answer on the command line, checked
// against an evaluator of the test's own over generated expressions, and the
// register keys' display.
#include "harness.hpp"

#include <cfloat>
#include <cmath>
#include <cstdio>
#include <optional>
#include <random>
#include <string>
#include <vector>

namespace evaluator_test {

using oxatest::Run;
using oxatest::runoxa;

// ---- An evaluator of the test's own ------------------------------------------
// Binary operators, loosest first: "!" "&" "< = >" "+ -" "* /", each
// associating to the left; a unary minus binds tighter than any of them, a
// unary plus is ignored.  A number keeps at most 9 significant digits, is
// scaled by tens one at a time and rounded to single precision; operator
// results stay in double precision.  A result that is not finite is an
// overflow.

struct Outcome {
    enum Kind { VALUE, SYNTAX, OVERFLOW } kind = VALUE;
    double value = 0;
};

class Reference {
  public:
    explicit Reference(const std::string& s) : s_(s) {}
    Outcome run() {
        double v = expr(0);
        if (!failed_ && pos_ != s_.size()) fail(Outcome::SYNTAX);
        if (failed_) return {kind_, 0};
        return {Outcome::VALUE, v};
    }

  private:
    static int precedence(char c) {
        switch (c) {
        case '!':
            return 1;
        case '&':
            return 2;
        case '<':
        case '=':
        case '>':
            return 3;
        case '+':
        case '-':
            return 4;
        case '*':
        case '/':
            return 5;
        default:
            return -1;
        }
    }
    void fail(Outcome::Kind k) {
        if (!failed_) kind_ = k;
        failed_ = true;
    }
    int peek() const { return pos_ < s_.size() ? s_[pos_] : -1; }
    double checked(double v) {
        if (!std::isfinite(v)) fail(Outcome::OVERFLOW);
        return v;
    }
    double expr(int minprec) {
        double lhs = unary();
        while (!failed_) {
            const int c = peek();
            const int p = c < 0 ? -1 : precedence(static_cast<char>(c));
            if (p < 0 || p < minprec) break;
            ++pos_;
            const double rhs = expr(p + 1);
            if (failed_) break;
            lhs = checked(apply(static_cast<char>(c), lhs, rhs));
        }
        return lhs;
    }
    static double apply(char op, double a, double b) {
        switch (op) {
        case '+':
            return a + b;
        case '-':
            return a - b;
        case '*':
            return a * b;
        case '/':
            return a / b;
        case '<':
            return a < b;
        case '>':
            return a > b;
        case '=':
            return std::fabs(a - b) <= 1e-8 * std::max(std::fabs(a), std::fabs(b));
        case '&':
            return a * b >= 1e-12;
        default:
            return a + b >= 1e-12;
        }
    }
    double unary() {
        if (peek() == '+') {
            ++pos_;
            return unary();
        }
        if (peek() == '-') {
            ++pos_;
            return -unary();
        }
        if (peek() == '(') {
            ++pos_;
            const double v = expr(0);
            if (peek() != ')') fail(Outcome::SYNTAX);
            ++pos_;
            return v;
        }
        return number();
    }
    // digits [ "." digits ] [ "'" [sign] digits ], or "'" digits.
    double number() {
        long long mant = 0;
        int scale = 0, digits = 0;
        bool any = false;
        while (std::isdigit(peek())) {
            mant = mant * 10 + (s_[pos_++] - '0');
            ++digits;
            any = true;
        }
        if (peek() == '.') {
            ++pos_;
            while (std::isdigit(peek())) {
                mant = mant * 10 + (s_[pos_++] - '0');
                --scale;
                any = true;
            }
        }
        if (peek() == '\'') {
            ++pos_;
            if (!any) mant = 1;
            any = true;
            int sign = 1;
            if (peek() == '-' || peek() == '+') sign = s_[pos_++] == '-' ? -1 : 1;
            int e = 0;
            while (std::isdigit(peek()))
                e = e * 10 + (s_[pos_++] - '0');
            scale += sign * e;
        }
        if (!any) {
            fail(Outcome::SYNTAX);
            return 0;
        }
        double v = static_cast<double>(mant);
        if (mant != 0) {
            for (int i = 0; i < scale; ++i)
                v *= 10;
            for (int i = 0; i > scale; --i)
                v /= 10;
        }
        return static_cast<double>(static_cast<float>(v));
    }

    const std::string& s_;
    size_t pos_ = 0;
    bool failed_ = false;
    Outcome::Kind kind_ = Outcome::VALUE;
};

// ---- Generated expressions ----------------------------------------------------

class Generator {
  public:
    explicit Generator(unsigned seed) : rng_(seed) {}
    std::string expression() {
        for (;;) {
            std::string e = term(3, true);
            const int flaw = pick(20);
            if (flaw == 0) e += "+"; // a missing operand
            if (flaw == 1) e = "(" + e;  // an unclosed parenthesis
            if (flaw == 2) e += ")";     // an unopened one
            if (e.size() <= 48) return e;
        }
    }

  private:
    int pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng_); }
    std::string number() {
        switch (pick(6)) {
        case 0:
            return std::to_string(pick(1000));
        case 1:
            return std::to_string(pick(100)) + "." + std::to_string(pick(100));
        case 2:
            return std::to_string(pick(10)) + "'" + (pick(2) ? "-" : "") + std::to_string(pick(4));
        case 3:
            return "." + std::to_string(pick(1000));
        case 4:
            return "0";
        default:
            return std::to_string(pick(20));
        }
    }
    std::string term(int depth, bool top = false) {
        std::string t;
        if (depth == 0 || (!top && pick(3) == 0)) {
            t = number();
        } else {
            static const char ops[] = "+-*/<=>&!+-*/";
            t = term(depth - 1) + ops[pick(sizeof ops - 1)] + term(depth - 1);
            if (pick(2)) t = "(" + t + ")";
        }
        if (pick(6) == 0) t = "-" + t;
        return t;
    }
    std::mt19937 rng_;
};

std::string expected(const std::string& expr) {
    const Outcome o = Reference(expr).run();
    if (o.kind == Outcome::SYNTAX) return "Syntax Error";
    if (o.kind == Outcome::OVERFLOW) return "Overflow Error";
    char buf[64];
    std::snprintf(buf, sizeof buf, " = %.8g", o.value);
    return buf;
}

// The answers of EVALUATE in order: each value line or error message.
std::vector<std::string> answers(const oxatest::Result& r) {
    std::vector<std::string> v;
    for (const std::string& l : r.lines)
        if (l.rfind(" = ", 0) == 0 || l == "Syntax Error" || l == "Overflow Error") v.push_back(l);
    return v;
}

TEST(Evaluate, GeneratedExpressionsAgreeWithAnIndependentEvaluator) {
    Generator gen(20261210);
    std::vector<std::string> exprs, want;
    std::string keys;
    int errors = 0;
    for (int i = 0; i < 200; ++i) {
        exprs.push_back(gen.expression());
        want.push_back(expected(exprs.back()));
        errors += want.back()[0] != ' ';
        keys += "EV" + exprs.back() + "{CR}{CR}";
    }
    // The table holds values and both kinds of error.
    ASSERT_GT(errors, 5);
    ASSERT_LT(errors, 100);
    auto r = runoxa({.keys = keys + "BY{CR}", .timeout = 30});
    EXPECT_EQ(r.status, 0);
    const std::vector<std::string> got = answers(r);
    ASSERT_EQ(got.size(), want.size());
    for (size_t i = 0; i < want.size(); ++i)
        EXPECT_EQ(got[i], want[i]) << exprs[i];
}

TEST(Evaluate, ExamplesOnTheWire) {
    const struct {
        const char* expr;
        const char* answer;
    } cases[] = {
        {"2+3*4", " = 14"},          {"(2+3)*4", " = 20"},    {"2-3-4", " = -5"},
        {"-2*3", " = -6"},           {"2*-3", " = -6"},       {"+5", " = 5"},
        {"2 + 3", " = 2"},           {"1'3", " = 1000"},      {"'3", " = 1000"},
        {"2.5'-1", " = 0.25"},       {"1=1.000000001", " = 1"}, {"1=1.0001", " = 0"},
        {"3>2&2>1", " = 1"},         {"0!0", " = 0"},         {"(2+3", "Syntax Error"},
        {"2+", "Syntax Error"},      {"", "Syntax Error"},    {"1/0", "Overflow Error"},
        {"123456789012", " = 1.2345679e+11"}, {"1'10*1'10", " = 1e+20"},
    };
    std::string keys;
    for (const auto& c : cases)
        keys += std::string("EV") + c.expr + "{CR}{CR}";
    auto r = runoxa({.keys = keys + "BY{CR}"});
    const std::vector<std::string> got = answers(r);
    ASSERT_EQ(got.size(), std::size(cases));
    for (size_t i = 0; i < got.size(); ++i)
        EXPECT_EQ(got[i], cases[i].answer) << cases[i].expr;
}

TEST(Evaluate, RuboutAtTheAnswerEndsTheCommandToo) {
    auto r = runoxa({.keys = "EV6*7{CR}{DEL}EV1+1{CR}{CR}BY{CR}"});
    EXPECT_EQ(answers(r), (std::vector<std::string>{" = 42", " = 2"}));
}

// The register keys on a typed line: typed characters are echoed one a line,
// and each key shows the register ("$mf") as a line of its own.
TEST(RegisterKeys, Display) {
    const struct {
        const char* what;
        const char* keys; // typed after leaving command mode
        std::vector<std::string> lines;
    } cases[] = {
        {"set, add, subtract, multiply, divide", "2+3{ESC}D{ESC}#{ESC}+{ESC}-{ESC}*{ESC}/",
         {"2", "+", "3", "5", "10", "5", "25", "5"}},
        {"increment and clear", "{ESC}&{ESC}&{ESC}%", {"1", "2", "0"}},
        {"the expression runs from the cursor", "x=4*4{ESC}D{^X}{^X}{ESC}#",
         {"x", "=", "4", "*", "4", "16"}},
        {"exponent shown with an apostrophe", "1'10{ESC}D{ESC}#{ESC}*",
         {"1", "'", "1", "0", "1'+10", "1'+20"}},
        {"errors keep the register", "7{ESC}D{ESC}#{ESC}[C{ESC}+0{ESC}[D{ESC}/{ESC}&",
         {"7", "7", "FP Syntax Error", "0", "FP Overflow Error", "8"}},
    };
    for (const auto& c : cases) {
        auto r = runoxa({.keys = std::string("{CR}") + c.keys + "{CMD}BY{CR}"});
        int from = oxatest::findlines(r.lines, {"Command ", "Typing  "});
        ASSERT_GE(from, 0) << c.what;
        std::vector<std::string> got;
        for (size_t i = static_cast<size_t>(from) + 2; i < r.lines.size() && r.lines[i] != "Command ";
             ++i)
            got.push_back(r.lines[i]);
        EXPECT_EQ(got, c.lines) << c.what;
    }
}

} // namespace evaluator_test
