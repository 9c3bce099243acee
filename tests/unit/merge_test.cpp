// Merge: collecting fields, expanding templates, the merge corefile, the
// register and field assignment.
#include "record_fixture.hpp"

#include <string>

namespace oxa {
namespace merge_test {

using oxatest::RecordFixture;
using oxatest::WireCapture;

class Merge : public RecordFixture {
  protected:
    // Expands `tmpl` at the cursor; "" plus the error when nothing was built.
    std::string expand(const std::string& tmpl) {
        mrgptr = reinterpret_cast<const unsigned char*>(tmpl.data());
        mrglen = static_cast<int32_t>(tmpl.size());
        std::string why;
        if (!merge(&why)) return "!" + why;
        EXPECT_EQ(checkstore(), "") << "the expansion is not adopted";
        return std::string(reinterpret_cast<const char*>(&textbase[avail]),
                           static_cast<size_t>(mrgavail - avail));
    }
    std::vector<std::string> fields() {
        std::vector<std::string> v;
        for (int32_t n = 1; n <= mrgnumfields; ++n)
            v.emplace_back(reinterpret_cast<const char*>(&textbase[fieldptr[n]]),
                           static_cast<size_t>(mrgflen[n]));
        return v;
    }
};

TEST_F(Merge, FieldsOfARecordLine) {
    const struct {
        const char* record;
        int32_t col;
        std::vector<std::string> fields;
    } cases[] = {
        {"a|bb|ccc", 1, {"a", "bb", "ccc"}},
        {"a|bb|ccc", 5, {"a", "bb", "ccc"}}, // a record is read from its start
        {"||", 1, {"", ""}},
        {"x y|z", 1, {"x y", "z"}},
        {"", 1, {}},
    };
    for (const auto& c : cases) {
        SetUp();
        fill({{K_RECORD, c.record}});
        mrgsetup(cur().lnptr, c.col);
        EXPECT_EQ(terminate, '|');
        EXPECT_EQ(fields(), c.fields) << c.record;
    }
}

TEST_F(Merge, AtMostFiftyFields) {
    std::string rec;
    for (int i = 1; i <= 60; ++i)
        rec += std::to_string(i) + "|";
    fill({{K_RECORD, rec}});
    mrgsetup(cur().lnptr, 1);
    EXPECT_EQ(mrgnumfields, 50);
    EXPECT_EQ(fields().back(), "50");
}

TEST_F(Merge, WordsOfAParagraph) {
    const struct {
        int32_t viewtype;
        int32_t col;
        std::vector<std::string> fields;
    } cases[] = {
        {0, 1, {"one", "two", "three", "four"}}, // the indented line ends the record
        {0, 5, {"two", "three", "four"}},        // from the cursor on
        {1, 1, {"one", "two"}},                  // only object type 0 reads on
    };
    for (const auto& c : cases) {
        SetUp();
        settype(c.viewtype);
        fill({{K_TEXT, "one  two "}, {K_TEXT, "three four"}, {K_TEXT, "  five"}});
        mrgsetup(cur().lnptr, c.col);
        EXPECT_EQ(terminate, ' ');
        EXPECT_EQ(fields(), c.fields) << c.viewtype << " " << c.col;
    }
    // With the left margin at 3 the indented line continues the paragraph.
    SetUp();
    lmargin = 3;
    fill({{K_TEXT, "  one"}, {K_TEXT, "  two"}, {K_TEXT, "three"}});
    mrgsetup(cur().lnptr, 1);
    EXPECT_EQ(fields(), (std::vector<std::string>{"one", "two"}));
}

TEST_F(Merge, Expansion) {
    const struct {
        const char* tmpl;
        std::string out;
    } cases[] = {
        {"#3-#1", "ccc-a"},
        {"#1`5", "a5"},
        {"#15", "!Field reference beyond field 3 of the record"},
        {"[#]", "[]"},          // field 0 is always empty
        {"#0002!", "bb!"},
        {"a`b`#2", "abbb"},
        {"", ""},
    };
    for (const auto& c : cases) {
        fperror = FP_OK;
        fill({{K_RECORD, "a|bb|ccc"}});
        EXPECT_EQ(expand(c.tmpl), c.out) << c.tmpl;
        EXPECT_EQ(fperror, c.out[0] == '!' ? FP_NOFIELD : FP_OK) << c.tmpl;
    }
    // The template ends at its length or at a NUL.
    fperror = FP_OK;
    EXPECT_EQ(expand(std::string("#1\0#2", 5)), "a");
}

TEST_F(Merge, ExpansionThatDoesNotFitIsRefused) {
    std::string big(60000, 'x');
    fill({{K_RECORD, big}});
    const int64_t saved = avail;
    avail = HEAPSIZE - 100000; // nearly full heap: most of it above the text is taken
    std::memset(&textbase[saved], FREEBYTE, static_cast<size_t>(avail - saved));
    // Two copies of the field do not fit above avail; a collection frees the
    // gap, so the expansion is built after it.
    EXPECT_EQ(expand("#1#1").size(), 120000u);
    EXPECT_LT(avail, HEAPSIZE - 100000);
    // Twenty copies do not fit even after the collection.
    std::string many;
    for (int i = 0; i < 70; ++i)
        many += "#1";
    EXPECT_EQ(expand(many), "!Merged text too long for the free store");
}

TEST_F(Merge, MrgtextAppendsLinesToTheMergeCorefile) {
    setstring(mrgstring, "#3-#1\r\r#2");
    fill({{K_RECORD, "a|bb|ccc"}});
    mrgtext();
    EXPECT_EQ(lines(MERGECORE), (std::vector<std::string>{"", "ccc-a", "", "bb"}));
    EXPECT_EQ(core[MERGECORE].disln, core[MERGECORE].lnptr) << "the window shows the last line";
    EXPECT_EQ(corenum, 1);
    EXPECT_EQ(checkstore(), "");
    mrgtext();
    EXPECT_EQ(lines(MERGECORE).size(), 7u);
    for (const LINE* l = core[MERGECORE].header->down; l != core[MERGECORE].header; l = l->down)
        EXPECT_TRUE(l->object == K_TEXT || l->object == K_EMPTY);
    garbage();
    EXPECT_EQ(lines(MERGECORE), (std::vector<std::string>{"", "ccc-a", "", "bb", "ccc-a", "", "bb"}));
}

TEST_F(Merge, MissingFieldAppendsNothing) {
    setstring(mrgstring, "#1 #9");
    fill({{K_RECORD, "a|bb|ccc"}});
    // Noted without waiting for a key (reading one would end the test).
    mrgtext();
    EXPECT_EQ(lines(MERGECORE), (std::vector<std::string>{""}));
    EXPECT_EQ(WireCapture::lines(),
              (std::vector<std::string>{"Field reference beyond field 3 of the record"}));
    EXPECT_EQ(fperror, FP_OK);
}

TEST_F(Merge, MrgrecUsesTheLoadedTemplate) {
    pushfn("\r");
    fill({{K_RECORD, "a|bb"}});
    mrgrec();
    EXPECT_EQ(WireCapture::lines(), (std::vector<std::string>{"No merge template loaded", ""}));
    static const char tmpl[] = "Dear #2,\r#1";
    mrgbufptr = static_cast<char*>(std::malloc(sizeof tmpl));
    std::memcpy(mrgbufptr, tmpl, sizeof tmpl);
    mrgrec();
    EXPECT_EQ(lines(MERGECORE), (std::vector<std::string>{"", "Dear bb,", "a"}));
}

TEST_F(Merge, MrgexpSetsTheRegister) {
    const struct {
        const char* expr;
        const char* record;
        double reg;
        const char* shown;
    } cases[] = {
        {"#1*#2", "6|7", 42, "$mf42"},
        {"#1+#2'2", "6|7", 706, "$mf706"},
        {"#1+#3", "6|7", 5, "$mf5"}, // missing field: told, register kept
        {"#1/#2", "6|0", 5, "$mfFP Overflow Error"},
        {"#1+", "6|0", 5, "$mfFP Syntax Error"},
    };
    for (const auto& c : cases) {
        SetUp();
        settype(1);
        reg() = 5;
        setstring(expression, c.expr);
        fill({{K_RECORD, c.record}});
        mrgexp(); // a missing field is noted without waiting for a key
        const bool told = WireCapture::lines() ==
                          std::vector<std::string>{"Field reference beyond field 2 of the record"};
        EXPECT_EQ(told, std::string(c.expr) == "#1+#3") << c.expr;
        EXPECT_EQ(redisplay, RP_REGISTER);
        EXPECT_EQ(showregister(), (std::vector<std::string>{c.shown})) << c.expr;
        EXPECT_EQ(reg(), c.reg) << c.expr;
        fnptr = 0;
    }
}

TEST_F(Merge, RecordCondition) {
    const struct {
        const char* cond;
        int32_t err;
        double value;
    } cases[] = {{"#2>10", FP_OK, 1}, {"#1+#2", FP_OK, 15}, {"#4>1", FP_NOFIELD, 0},
                 {"#1>", FP_SYNTAX, 0}};
    LINE* l = fill({{K_RECORD, "3|12|x"}}).front();
    for (const auto& c : cases) {
        double v = 0;
        EXPECT_EQ(mrgcondition(reinterpret_cast<const unsigned char*>(c.cond),
                               static_cast<int32_t>(std::strlen(c.cond)), l, 1, v),
                  c.err)
            << c.cond;
        EXPECT_EQ(v, c.value) << c.cond;
        EXPECT_EQ(fperror, FP_OK);
        EXPECT_EQ(ni, oldindex);
    }
}

class Assign : public RecordFixture {
  protected:
    // Puts the rules into the rule corefile and a record into corefile 1.
    void setup(const std::vector<std::string>& rules, const std::string& record) {
        corenum = RULECORE;
        std::vector<std::pair<int32_t, std::string>> r;
        for (const std::string& s : rules)
            r.emplace_back(K_TEXT, s);
        fill(r);
        corenum = 1;
        settype(1);
        fill({{K_RECORD, record}});
    }
};

TEST_F(Assign, Rules) {
    const struct {
        std::vector<std::string> rules;
        const char* record;
        const char* after;
    } cases[] = {
        {{"#2:#1*2"}, "21|x|", "21|42|"},
        {{"#3:#1+#2", "#4:#3*10"}, "1|2|||", "1|2|3|30|"}, // later rules see earlier results
        {{"#2:#1/0"}, "7|ab|", "7|****|"},                 // overwrite mode: typed over
        {{"#2:#1+", "#1:9"}, "7||", "9|****|"},
        {{"#5:1", "#2:#9", "x#2:1", "#0:1", "#a:1", "2:1", "#2 1"}, "1|2|", "1|2|"},
        {{"#2:#1'2"}, "3.5||", "3.5|350|"},
        {{"#1:123456789"}, "|", "1.234|"},                 // a field takes 5 characters
    };
    for (const auto& c : cases) {
        SetUp();
        setup(c.rules, c.record);
        mrgassign();
        EXPECT_EQ(text(cur().lnptr), c.after) << c.rules[0];
        EXPECT_EQ(redisplay, RP_ALL);
        EXPECT_EQ(checkstore(), "");
    }
}

TEST_F(Assign, InsertModeKeepsTheOldTextAfterTheStars) {
    setup({{"#1:1/0"}}, "ab|");
    mode = 2;
    mrgassign();
    EXPECT_EQ(text(cur().lnptr), "****a|");
}

} // namespace merge_test
} // namespace oxa
