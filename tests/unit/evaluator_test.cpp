// The expression evaluator, its number scanner and the register keys.
#include "record_fixture.hpp"

#include <cfloat>
#include <cmath>
#include <string>

namespace oxa {
namespace evaluator_test {

using oxatest::RecordFixture;
using oxatest::WireCapture;

constexpr double SYNTAX = -1e300; // stands for "Syntax Error" in the tables
constexpr double OVERFLOW = -2e300;

// Evaluates `s`; the value, or one of the markers above.
double eval(const std::string& s) {
    dijkstra(s.data(), static_cast<int32_t>(s.size()));
    double v = fperror == FP_OK ? numstack[static_cast<size_t>(ni)]
               : fperror == FP_OVERFLOW ? OVERFLOW
                                        : SYNTAX;
    if (fperror == FP_OK) {
        EXPECT_EQ(ni, oldindex + 1) << s;
    }
    EXPECT_EQ(opindex, 0) << s;
    resetstacks();
    fperror = FP_OK;
    return v;
}

double single(double v) {
    return static_cast<double>(static_cast<float>(v));
}

TEST(Evaluator, CharacterClasses) {
    const struct {
        const char* chars;
        int32_t cls;
    } rows[] = {
        {"0123456789", X_DIGIT}, {" ", X_BLANK},    {".", X_POINT},   {"'", X_EXPMARK},
        {"+", X_PLUS},           {"-", X_MINUS},    {"\"$%,:;", X_END}, {"*", X_TIMES},
        {"/", X_DIVIDE},         {"(", X_OPEN},     {")", X_CLOSE},   {"<", X_LESS},
        {"=", X_EQUAL},          {">", X_GREATER},  {"&", X_AND},     {"!", X_OR},
        {"#", X_SKIP},           {"a|?@Z~\t", X_END},
    };
    for (const auto& r : rows)
        for (const char* p = r.chars; *p; ++p)
            EXPECT_EQ(typex(*p), r.cls) << "'" << *p << "'";
    EXPECT_EQ(typex(200), X_END);
}

TEST(Evaluator, Values) {
    const struct {
        const char* expr;
        double value;
    } cases[] = {
        // priorities and association
        {"2+3*4", 14}, {"(2+3)*4", 20}, {"2-3-4", -5}, {"8/4/2", 1}, {"2*3-4/2", 4},
        {"2*(3+4)*5", 70}, {"((7))", 7}, {"1+2=3", 1}, {"1<2=1", 1}, {"1+1>1&0<1", 1},
        // unary operators
        {"-2*3", -6}, {"2*-3", -6}, {"+5", 5}, {"--2", 2}, {"-(2+3)", -5}, {"2--3", 5},
        {"-2+3", 1}, {"2*-3*4", -24}, {"+-+4", -4},
        // a blank or any other character ends the expression
        {"2 + 3", 2}, {"   7", 7}, {"2a+5", 2}, {"4,5", 4}, {"6|7", 6}, {"#5#", 5},
        // numbers
        {"1'3", 1000}, {"'3", 1000}, {"2.5'-1", 0.25}, {"1'+10", 1e10}, {".5", 0.5},
        {"'", 1}, {".", 0}, {"0.000", 0}, {"0.1", single(0.1)}, {"1'-50", 0},
        {"1'-99999", 0}, {"123456789012", single(123456789e3)},
        {"1.23456789012", single(1.23456789)}, {"1234567891", single(1234567890)},
        {"000000000012", 12},
        // comparisons: equality within 10^-8 of the larger magnitude
        {"1=1.000000001", 1}, {"1=1.0001", 0}, {"0=0", 1}, {"3<2", 0}, {"2<3", 1},
        {"3>2", 1}, {"2>2", 0}, {"1'20=100000000000000000001", 1},
        // logic: the product, the sum at least 10^-12
        {"3>2&2>1", 1}, {"0!0", 0}, {"1!0", 1}, {"1&0", 0}, {"-1&-1", 1}, {"1&-1", 0},
        {"1'-13!0", 0},
        // operator results stay in double precision
        {"1/3", 1.0 / 3.0}, {"1'30*1'30", single(1e30) * single(1e30)},
    };
    for (const auto& c : cases)
        EXPECT_EQ(eval(c.expr), c.value) << c.expr;
}

TEST(Evaluator, Errors) {
    const std::string open24(24, '('), close24(24, ')');
    const struct {
        std::string expr;
        double error;
    } cases[] = {
        {"(2+3", SYNTAX}, {"2+", SYNTAX},   {"", SYNTAX},     {"   ", SYNTAX},
        {"()", SYNTAX},   {"2)", SYNTAX},   {"*3", SYNTAX},   {"2(3)", SYNTAX},
        {"-", SYNTAX},    {"(2+)", SYNTAX}, {"abc", SYNTAX},  {"2**3", SYNTAX},
        {"1/0", OVERFLOW}, {"0/0", OVERFLOW}, {"1'39", OVERFLOW}, {"1'99999", OVERFLOW},
        {"1'300*1'300", OVERFLOW}, {"(1/0", OVERFLOW},
        // stacks: 24 pending operators fit, a 25th does not
        {"(" + open24 + "1" + close24 + ")", SYNTAX},
    };
    for (const auto& c : cases)
        EXPECT_EQ(eval(c.expr), c.error) << c.expr;
    EXPECT_EQ(eval(open24 + "1" + close24), 1);
}

TEST(Evaluator, ConsumedCharacters) {
    const struct {
        const char* expr;
        int32_t used;
    } cases[] = {{"2+3", 3}, {"2+3 4", 4}, {"  12;x", 5}, {"1'3", 3}};
    for (const auto& c : cases) {
        EXPECT_EQ(dijkstra(c.expr, static_cast<int32_t>(std::strlen(c.expr))), c.used) << c.expr;
        resetstacks();
    }
}

TEST(Evaluator, ExponentLoopIsBounded) {
    // A long exponent neither loops nor overflows the integer it is read into.
    EXPECT_EQ(eval("1'99999999999999999999"), OVERFLOW);
    EXPECT_EQ(eval("1'-99999999999999999999"), 0);
    EXPECT_EQ(eval("0'99999999999999999999"), 0);
}

class Register : public RecordFixture {
  protected:
    // Runs a register key with the cursor at `col` of a line holding `line`.
    void key(int code, const std::string& line = "", int32_t col = 1) {
        fill({{K_TEXT, line}});
        cur().curcol = col;
        type = code;
        edittable[code].operatn[0]();
    }
};

TEST_F(Register, KeysCombineTheExpressionWithTheRegister) {
    const struct {
        int code;
        const char* line;
        int32_t col;
        double reg;
        const char* shown;
    } steps[] = {
        {42, "x=2+3", 3, 5, "$mf5"},          // from the cursor to the line's end
        {43, "10", 1, 15, "$mf15"},           {44, "20", 1, -5, "$mf-5"},
        {45, "-3", 1, 15, "$mf15"},           {46, "2", 1, 7.5, "$mf7.5"},
        {46, "0", 1, 7.5, "$mfFP Overflow Error"}, // the register keeps its value
        {43, "2+", 1, 7.5, "$mfFP Syntax Error"},
        {43, "", 1, 7.5, "$mfFP Syntax Error"}, // an empty line is an empty expression
        {49, "", 1, 8.5, "$mf8.5"},           {42, "1'10", 1, 1e10, "$mf1'+10"},
    };
    for (const auto& s : steps) {
        key(s.code, s.line, s.col);
        EXPECT_EQ(redisplay, RP_REGISTER) << s.line;
        EXPECT_EQ(showregister(), (std::vector<std::string>{s.shown})) << s.line;
        EXPECT_EQ(reg(), s.reg) << s.line;
        EXPECT_EQ(fperror, FP_OK) << "the display clears the error";
    }
    key(45, "1'300");
    EXPECT_EQ(showregister(), (std::vector<std::string>{"$mfFP Overflow Error"}));
    EXPECT_EQ(reg(), 1e10);
    key(50);
    EXPECT_EQ(reg(), 0);
    EXPECT_EQ(showregister(), (std::vector<std::string>{"$mf0"}));
}

TEST_F(Register, RegshowTruncatesIntoTheResult) {
    const struct {
        double reg;
        int32_t result;
    } cases[] = {{2.7, 2}, {-2.7, -2}, {0, 0}, {1e20, INT32_MAX}, {-1e20, INT32_MIN}};
    for (const auto& c : cases) {
        reg() = c.reg;
        key(62);
        EXPECT_EQ(result(), c.result) << c.reg;
        EXPECT_EQ(redisplay, RP_REGISTER);
    }
}

TEST_F(Register, RegdisTypesTheDisplayText) {
    reg() = 1e10;
    key(52, "ab", 2);
    EXPECT_EQ(text(cur().lnptr), "a1'+10");
    EXPECT_EQ(redisplay, RP_ROW);
    EXPECT_STREQ(fpresult.data(), "1'+10");
    EXPECT_EQ(cur().curcol, 7);
}

std::string asked; // what ASK sent to the driver program
void takeanswer(const char* text, size_t len) {
    asked.append(text, len);
}

TEST_F(Register, AskEightSendsTheRegister) {
    askreply = takeanswer;
    for (double v : {2.5, -1e10}) {
        asked.clear();
        reg() = v;
        param[1] = 8;
        ask();
        char want[64];
        std::snprintf(want, sizeof want, "%f\n", v);
        EXPECT_EQ(asked, want);
    }
    askreply = nullptr;
}

TEST_F(Register, EvaluateShowsTheValueAndWaits) {
    setstring(mathstring, "2+3*4");
    pushfn("\r");
    evaluate();
    const std::vector<std::string> want = {" = 14"};
    EXPECT_EQ(WireCapture::lines(), want);
    EXPECT_STREQ(shadow_cmdline.data(), " = 14");
    EXPECT_EQ(reg(), 0) << "EVALUATE leaves the register alone";
    EXPECT_EQ(ni, oldindex);

    const struct {
        const char* expr;
        const char* message;
    } errors[] = {{"(2+3", "Syntax Error"}, {"1/0", "Overflow Error"}, {"", "Syntax Error"}};
    for (const auto& e : errors) {
        WireCapture::clear();
        setstring(mathstring, e.expr);
        pushfn("\r");
        evaluate();
        EXPECT_EQ(WireCapture::lines(), (std::vector<std::string>{e.message, ""})) << e.expr;
        EXPECT_EQ(fperror, FP_OK);
        EXPECT_EQ(ni, oldindex);
    }
}

} // namespace evaluator_test
} // namespace oxa
