// The syntax rule reader: stored bytes of rules, transformations and the
// preselection rule, every error message, dropping of faulty rules, the
// barrier and unloading, and the stored-text scanners.
#include "bormo_fixture.hpp"

#include <cstring>

#include "bormo/gencommands.hpp"
#include "bormo/lexicon.hpp"
#include "bormo/packindex.hpp"
#include "bormo/syntax.hpp"

namespace syntax_test {

using namespace bormo;

class SyntaxTest : public BormoTest {
  protected:
    void SetUp() override {
        BormoTest::SetUp();
        resetsyntax();
        resetlexicon();
        resetgencommands();
        readattr(file("attr", "number ( sg , pl ) gender ( masc , fem ) %").c_str());
    }
    void TearDown() override {
        resetsyntax();
        BormoTest::TearDown();
    }

    void load(const std::string& text) { read_syntax(file("syn", text).c_str()); }

    static std::string rule(const char* name) {
        const char* r = getrule(name);
        return r ? std::string(r) : std::string("<none>");
    }

    static int count_rules(const char* name) {
        int n = 0;
        for (syn_rule* r = syntax_stack; r; r = r->next)
            if (r->name == name) ++n;
        return n;
    }
};

struct StoredCase {
    const char* source;
    const char* name;
    std::string stored;
};

TEST_F(SyntaxTest, StoresEachElementByteForByte) {
    const StoredCase cases[] = {
        {"S = NP VP %", "S", "\x07 NP VP"},
        {"NP = ( DET N | PRON ) %", "NP", "\x07(\x02| DET N| PRON)"},
        {"A = ( B | ( C | D | E ) ) %", "A", "\x07(\x02| B|(\x03| C| D| E))"},
        {"A = < sg : B > C %", "A", "<sg:\x07 B>\x07 C"},
        {"A = < ( sg , pl ) | _is_ number.sg : B %", "A", "<(sg,pl)|\x11number.sg:\x07 B"},
        {"S = CHOOSE n : number ; NP [n] VP [n] %", "S",
         "\x07\x06\x01number NP[\xff\x01] VP[\xff\x01]"},
        {"S = CHOOSE a, b : number c : gender ; X %", "S",
         "\x07\x06\x01number\x06\x02number\x06\x03gender X"},
        {"NP = INHERIT m : number ; DET [m] N [m] %", "NP",
         "\x07\x05\x01number DET[\xff\x01] N[\xff\x01]"},
        {"S = SELECT v : number _pre_ sg ; X [v] %", "S", "\x07\x10\x01number\x0esg X[\xff\x01]"},
        {"S = SELECT v : _pre_ sg.masc ; X %", "S", "\x07\x10\x01\x0esg.masc X"},
        {"S = X [ sg.masc , _pre_ pl , number _pre_ sg , /gender.fem ] %", "S",
         "\x07 X[sg.masc,\x0epl,number\x0esg,/gender.fem]"},
        {"S = X /4 = a , \"b c\" Y %", "S", "\x07 X/\x04=a,\"b c\" Y"},
        {"S = X /_pre_ sg Y %", "S", "\x07 X\x0esg Y"},
        {"S = X /_pre_ sg /4=a %", "S", "\x07 X\x0esg/\x04=a"},
        {"S = X /\"maison\" %", "S", "\x07 X\"maison\""},
        {"S = X /+12 Y /$3 %", "S",
         "\x07 X\x13"
         "12 Y\x13-3"},
        {"S = X /@5 : tag [ ! sg ] %", "S", "\x07 X@\x05:tag[!sg]"},
        {"S = X /@7 %", "S", "\x07 X@\x07"},
        {"S = T1 : T2 : X [sg] %", "S", "\x07 X\x08T1\x08T2[sg]"},
        {"S = ( CHOOSE a : number ; X [a] | CHOOSE b : gender ; Y [b] ) %", "S",
         "\x07(\x02|\x06\x01number X[\xff\x01]|\x06\x01gender Y[\xff\x01])"},
        {"S = < sg : CHOOSE a : number ; X > CHOOSE b : gender ; Y [b] %", "S",
         "<sg:\x07\x06\x01number X>\x07\x06\x01gender Y[\xff\x01]"},
        {"PRESELECT = sg : N /\"chat\" ; pl ; masc : D %", "PRESELECT", "sg: N\"chat\";pl;masc: D"},
        {"S = %", "S", "\x07"},
    };
    for (const auto& c : cases) {
        resetsyntax();
        oxa::resetstore();
        oxa::initcore();
        load(c.source);
        EXPECT_EQ(rule(c.name), c.stored) << c.source;
        EXPECT_EQ(count_messages("ERROR"), 0) << c.source;
    }
}

TEST_F(SyntaxTest, ChoiceGroupCountCoversManyAlternatives) {
    std::string src = "S = ( A0";
    for (int i = 1; i < 12; ++i)
        src += " | A" + std::to_string(i);
    load(src + " ) %");
    std::string r = rule("S");
    ASSERT_GE(r.size(), 3u);
    EXPECT_EQ(static_cast<unsigned char>(r[2]), 12);
}

TEST_F(SyntaxTest, TransformationsWithPriorityGuardAndRule) {
    load("X = TRANSFORMATION a : b ; %\n"
         "Y = TRANSFORMATION PRIORITY 3 NP [sg] * VP : VP [1! sg , - pl] NP ; A : ; %");
    transformation* x = gettrans("X");
    ASSERT_NE(x, nullptr);
    EXPECT_EQ(x->priority, 5);
    ASSERT_NE(x->first, nullptr);
    EXPECT_EQ(x->first->guard, " a");
    EXPECT_EQ(x->first->rule, " b");
    EXPECT_EQ(x->first->next, nullptr);
    EXPECT_EQ(x->functionPtr, nullptr);

    transformation* y = gettrans("Y");
    ASSERT_NE(y, nullptr);
    EXPECT_EQ(y->priority, 3);
    ASSERT_NE(y->first, nullptr);
    EXPECT_EQ(y->first->guard, " NP[sg]* VP");
    EXPECT_EQ(y->first->rule, std::string(" VP[!\x01sg,-pl] NP"));
    ASSERT_NE(y->first->next, nullptr);
    EXPECT_EQ(y->first->next->guard, " A");
    EXPECT_EQ(y->first->next->rule, "");
    EXPECT_EQ(count_messages("ERROR"), 0);
    EXPECT_EQ(getrule("X"), nullptr); // transformations are not context-free rules
}

struct ErrorCase {
    std::string source; // the faulty rule is named F
    const char* a;      // the three parts of the error line after the position
    std::string b;
    const char* c;
    bool dropped;
};

// Every file ends with a sound rule G, which must survive the fault before it.
TEST_F(SyntaxTest, EachErrorIsReportedAndTheFaultyRuleDropped) {
    std::string deep = "F = ";
    for (int i = 0; i < 20; ++i)
        deep += "( ";
    deep += "A";
    for (int i = 0; i < 20; ++i)
        deep += " )";
    deep += " %";
    std::string vars = "F = CHOOSE ";
    for (int i = 0; i < 26; ++i)
        vars += (i ? ", v" : "v") + std::to_string(i);
    vars += " : number ; A %";
    std::string guard = "F = TRANSFORMATION";
    for (int i = 0; i < 39; ++i)
        guard += " N";
    guard += " : A ; %";
    std::string many = "F = ( A";
    for (int i = 0; i < 256; ++i)
        many += " | A";
    many += " ) %";
    std::string longrule = "F = ( A";
    for (int i = 0; i < 220; ++i)
        longrule += " | ABCDEFGHIJKLMNOPQRSTUVWXYZABCDEFGHIJ";
    longrule += " ) %";
    const std::vector<ErrorCase> cases = {
        {"F = < sg ; X %", "Encountered ", "char ';'", " instead of colon.", true},
        {"F = T : ( %", "Colon followed by ", "char '('", "", true},
        {vars, "Too many variables active. ", "v25", "", true},
        {deep, "Choices Nested too deep. ", "", "", true},
        {"F = A ) %", "Unmatched )", "", "", true},
        {"F = A | B %", "| appears outside parentheses", "", "", true},
        {"F = ( A | B ) | C %", "| appears outside parentheses", "", "", true},
        {"F = ( A %", "There are unmatched ('s", "", "", true},
        {"F = A ; %", "Improper token: ", "char ';'", "", true},
        {"F = TRANSFORMATION a : b [ 1 sg ] ; %", "! missing", "", "", true},
        {"F = A [ - sg ] %", "MINUS not permitted in this context.", "", "", true},
        {"F = A [ ! sg ] %", "! not permitted in this context.", "", "", true},
        {"F = A / x = b %", "Missing field number in restriction.", "", "", true},
        {"F = A /4 b %", "Expecting equals ['='].", "", "", true},
        {"F = A /4 = , b %", "Spurious comma in restriction.", "", "", true},
        {"F = A /4 = b , %", "Unterminated list - extra comma.", "", "", true},
        {"F = A /\"abc", "Unmatched Quote.", "", "", true},
        {"F = A /@ x %", "Missing field number in indirection.", "", "", true},
        {"F = A /@5 : ( %", "Expecting tag name.", "", "", true},
        {"F = A / ( %", "Improper token follows / : ", "char '('", "", true},
        {"F = A [ foo ] %", "Unknown attribute", "foo", "", true},
        {"F = A [ sg . . pl ] %", "Unexpected ", "char '.'", " in attribute", true},
        {"F = A [ sg pl ] %", "Unexpected identifier: ", "pl", " in attribute", true},
        {"F = A [ sg . ] %", "Missing compound attribute.", "", "", true},
        {"F = TRANSFORMATION a ( : b ; %", "Expecting Colon.", "", "", true},
        {"F = TRANSFORMATION PRIORITY 1000 a : b ; %",
         "Transformation priority too large: ", "1000", "", true},
        {guard, "Transformation guard too long. ", "", "", true},
        {longrule, "Rule too long. ", "", "", true},
        {many, "Too many alternatives. ", "", "", true},
        {"F NP %", "Rule name must be followed by =. ", "", "", false},
        {"F = A /+ B %", "Improper token follows + or $: ", "identifier: B", "", false},
        {"F = TRANSFORMATION PRIORITY 0 a : b ; %", "Expecting Transformation Priority.", "", "",
         false},
    };
    for (const auto& c : cases) {
        resetsyntax();
        oxa::resetstore();
        oxa::initcore();
        bool unterminated = c.source.find('%') == std::string::npos;
        load(c.source + (unterminated ? "" : "\nG = B %\n"));
        std::string expect = std::string("ERROR Syntax Input F ") + c.a + " " + c.b + " " + c.c;
        EXPECT_EQ(count_messages(expect), 1) << c.source;
        EXPECT_EQ(count_messages("ERROR"), 1) << c.source;
        if (c.dropped) {
            EXPECT_EQ(getrule("F"), nullptr) << c.source;
            EXPECT_EQ(gettrans("F"), nullptr) << c.source;
            EXPECT_EQ(v_stat, 1) << c.source;
        } else {
            EXPECT_TRUE(getrule("F") || gettrans("F")) << c.source;
            EXPECT_EQ(v_stat, 0) << c.source;
        }
        if (!unterminated) {
            EXPECT_EQ(rule("G"), "\x07 B") << c.source;
        }
    }
}

TEST_F(SyntaxTest, WarningsKeepWhatWasRead) {
    load("F NP %\nP = TRANSFORMATION PRIORITY 0 a : b ; %\nQ = A /+ B %");
    EXPECT_EQ(rule("F"), "\x07 NP");
    ASSERT_NE(gettrans("P"), nullptr);
    EXPECT_EQ(gettrans("P")->priority, 5);
    EXPECT_EQ(rule("Q"), "\x07 A B");
}

TEST_F(SyntaxTest, StrayTokenWhereARuleNameIsExpected) {
    load("( S = A %");
    EXPECT_EQ(count_messages("ERROR Syntax Input  Encountered  char '('  instead of rule name."),
              1);
    EXPECT_EQ(rule("S"), "\x07 A");
}

TEST_F(SyntaxTest, VariableForgottenAtTheNextAlternative) {
    load("F = ( CHOOSE a : number ; X | Y [a] ) %");
    EXPECT_EQ(count_messages("Unknown attribute a"), 1);
    EXPECT_EQ(getrule("F"), nullptr);
}

TEST_F(SyntaxTest, RootSetsTheLoadStatus) {
    load("S = A %");
    EXPECT_EQ(v_stat, 0);
    load("ROOT = S %");
    EXPECT_EQ(v_stat, 2);
    load("ROOT = S ) %");
    EXPECT_EQ(v_stat, 1);
    // A transformation called ROOT is no rule to start from.
    load("ROOT = TRANSFORMATION PRIORITY 3 * : 1 1 ; %");
    EXPECT_EQ(v_stat, 0);
}

TEST_F(SyntaxTest, LaterRuleHidesEarlierAndUnloadRemovesOneFile) {
    load("S = A %\nX = TRANSFORMATION a : b ; %");
    load("S = B %\nS = C %\nY = TRANSFORMATION c : d ; %");
    EXPECT_EQ(rule("S"), "\x07 C");
    dump_syntax();
    EXPECT_EQ(rule("S"), "\x07 A");
    EXPECT_EQ(gettrans("Y"), nullptr);
    ASSERT_NE(gettrans("X"), nullptr);
    ASSERT_NE(trans_stack, nullptr);
    EXPECT_EQ(trans_stack->name, "X");
    dump_syntax();
    EXPECT_EQ(getrule("S"), nullptr);
    EXPECT_EQ(gettrans("X"), nullptr); // the first file's transformations go with it
    EXPECT_EQ(syntax_stack, nullptr);
    // Only the built-in transformations, below every barrier, are left.
    ASSERT_NE(trans_stack, nullptr);
    EXPECT_EQ(trans_stack->name, "FLATTEN");
    EXPECT_NE(trans_stack->functionPtr, nullptr);
    EXPECT_EQ(trans_stack->next, nullptr);
}

TEST_F(SyntaxTest, EachFilePushesABarrier) {
    load("S = A %");
    ASSERT_NE(syntax_stack, nullptr);
    ASSERT_NE(syntax_stack->next, nullptr);
    EXPECT_EQ(syntax_stack->name, "S");
    EXPECT_EQ(syntax_stack->next->name, BARRIER_NAME);
    ASSERT_NE(trans_stack, nullptr);
    EXPECT_EQ(trans_stack->name, BARRIER_NAME);
    EXPECT_EQ(trans_stack->priority, 5);
    EXPECT_EQ(trans_stack->first, nullptr);
    EXPECT_EQ(count_messages("Finished reading Syntax Input from file"), 1);
}

TEST_F(SyntaxTest, ScannersWalkTheStoredForm) {
    load("NP = ( DET [sg] /4=a,\"b|c\" N | ( X | Y ) PRON /@5:t[!sg] ) Z %\n"
         "A = < sg : B /\"<x>\" > C %");
    const char* np = getrule("NP");
    ASSERT_NE(np, nullptr);
    const char* alts = np + 3; // after 7, '(' and the count
    EXPECT_EQ(std::string(skip_alternatives(alts, 1)).substr(0, 4), " DET");
    EXPECT_EQ(std::string(skip_alternatives(alts, 2)).substr(0, 2), "(\x02");
    EXPECT_EQ(std::string(skip_alternatives(alts, 0)), " Z");
    EXPECT_EQ(std::string(skip_alternatives(alts, 5)), " Z");

    const char* a = getrule("A");
    ASSERT_NE(a, nullptr);
    const char* rhs = std::strchr(a, ':') + 1;
    EXPECT_EQ(std::string(skip_rule(rhs)), std::string(">\x07 C"));

    const char comp[] = "sg.masc\xff\x01/pl X";
    EXPECT_EQ(std::string(skip_compattr(comp)), " X");

    // A restriction right after a preselection key, holding a quoted bar.
    load("K = ( X /_pre_ sg /4=\"a|b\" | Y ) %");
    const char* k = getrule("K");
    ASSERT_NE(k, nullptr);
    EXPECT_EQ(std::string(k), "\x07(\x02| X\x0esg/\x04=\"a|b\"| Y)");
    EXPECT_EQ(std::string(skip_alternatives(k + 3, 2)), " Y)");
}

} // namespace syntax_test

namespace syntax_test {

// Rule look-ups are remembered until the rule stack changes: a name found,
// and a name not found, must follow every load and unload.
TEST_F(SyntaxTest, LookupsFollowLoadsAndUnloads) {
    EXPECT_EQ(rule("S"), "<none>");
    const uint64_t empty = packrevision;
    load("S = A %");
    EXPECT_NE(packrevision, empty);
    EXPECT_EQ(rule("S"), "\x07 A");
    EXPECT_EQ(rule("T"), "<none>");
    load("T = B % S = C %");
    EXPECT_EQ(rule("S"), "\x07 C"); // the newer file's rule
    EXPECT_EQ(rule("T"), "\x07 B"); // no longer missing
    const uint64_t loaded = packrevision;
    EXPECT_EQ(packrevision, loaded); // a look-up alone changes nothing
    dump_syntax();
    EXPECT_NE(packrevision, loaded);
    EXPECT_EQ(rule("S"), "\x07 A");
    EXPECT_EQ(rule("T"), "<none>");
    resetsyntax();
    EXPECT_EQ(rule("S"), "<none>");
}

} // namespace syntax_test
