// Record templates and the view pages.
#include "record_fixture.hpp"

#include <algorithm>
#include <string>

#include "bormo/gencommands.hpp"
#include "editor/corefiles.hpp"
#include "editor/records.hpp"

namespace oxa {
namespace templates_test {

using oxatest::RecordFixture;
using oxatest::WireCapture;
using Msgs = std::vector<std::string>;

// A field's layout: screen row and column, maximum length, type.
struct Field {
    int32_t row, col, len;
    char type;
    bool operator==(const Field&) const = default;
};
Field field(int n) {
    return {frow[n], fcol[n], maxfieldlen[n], ftype[n]};
}

class Template : public RecordFixture {
  protected:
    static std::string tmpl(const std::string& s) { return s + static_cast<char>(TEMPLATEEND); }
};

std::ostream& operator<<(std::ostream& o, const Field& f) {
    return o << "{" << f.row << "," << f.col << "," << f.len << "," << f.type << "}";
}

TEST_F(Template, WithoutATemplateTheGrid) {
    EXPECT_EQ(writetemplate(1), 0);
    EXPECT_TRUE(WireCapture::msgs.empty()) << "nothing to draw";
    EXPECT_EQ(numfields, 10);
    EXPECT_EQ(field(1), (Field{3, 2, 5, 'c'}));
    EXPECT_EQ(field(6), (Field{3, 42, 5, 'c'}));
    EXPECT_EQ(field(7), (Field{4, 2, 5, 'c'}));
    EXPECT_EQ(field(100), (Field{19, 26, 5, 'c'}));
}

TEST_F(Template, LiteralTextAndAFieldBehindIt) {
    const std::string t = tmpl("{r5c10}Name: #1/20");
    EXPECT_EQ(layouttemplate(t.c_str(), 1), 0);
    EXPECT_EQ(WireCapture::msgs,
              (Msgs{"$p7,11", "$cN", "$ca", "$cm", "$ce", "$c:", "$c "}));
    EXPECT_EQ(field(1), (Field{7, 17, 20, 'c'}));
    EXPECT_EQ(numfields, 1);
    WireCapture::clear();
    EXPECT_EQ(layouttemplate(t.c_str(), 0), 0);
    EXPECT_TRUE(WireCapture::msgs.empty()) << "laid out without drawing";
    EXPECT_EQ(field(1), (Field{7, 17, 20, 'c'}));
}

TEST_F(Template, Layouts) {
    const struct {
        const char* what;
        const char* text;
        int32_t error;
        int32_t numfields;
        std::vector<std::pair<int, Field>> fields;
    } cases[] = {
        {"defaults for length and type", "#2", 0, 2, {{2, {3, 2, 5, 'c'}}, {1, {3, 2, 5, 'c'}}}},
        {"length and type", "{#3/4/j}", 0, 3, {{3, {3, 2, 4, 'j'}}}},
        {"lines go down a row to column 1", "ab\r#1\r\r  #2/9/b", 0, 2,
         {{1, {4, 2, 5, 'c'}}, {2, {6, 4, 9, 'b'}}}},
        {"blanks and commas in a directive", "{ r2, c3, #1/2 , #5/1/i }", 0, 5,
         {{1, {4, 4, 2, 'c'}}, {5, {4, 4, 1, 'i'}}}},
        {"field numbers from 101 are ignored", "#101/3{#7}", 0, 7, {{7, {3, 2, 5, 'c'}}}},
        {"field 100 is the last", "{r3c4#100/2/f}", 0, 100, {{100, {5, 5, 2, 'f'}}}},
        {"rows stop at depth - 1, columns at the width", "{r99c999}#1", 0, 1,
         {{1, {21, 79, 5, 'c'}}}},
        {"any other character in braces ends the template", "#1/2{r2x}#2/3", 1, 1,
         {{1, {3, 2, 2, 'c'}}, {2, {3, 10, 5, 'c'}}}},
        {"a closing brace outside a directive", "{c5}#1}#2", 1, 1, {{1, {3, 6, 5, 'c'}}}},
        {"an unclosed directive", "#4{r2", 1, 4, {{4, {3, 2, 5, 'c'}}}},
        {"a type that is not a letter", "#1/3/7", 1, 10, {}},
        {"a template without fields keeps ten", "just text", 0, 10, {}},
    };
    for (const auto& c : cases) {
        const std::string t = tmpl(c.text);
        EXPECT_EQ(layouttemplate(t.c_str(), 0), c.error) << c.what;
        EXPECT_EQ(templateerror.empty(), c.error == 0) << c.what;
        EXPECT_EQ(numfields, c.numfields) << c.what;
        for (const auto& [n, f] : c.fields)
            EXPECT_EQ(field(n), f) << c.what << " field " << n;
    }
    const std::string bad = tmpl("ab\r{r2x}");
    layouttemplate(bad.c_str(), 0);
    EXPECT_EQ(templateerror, "Template error on line 2: unexpected character in directive 'x'");
}

TEST_F(Template, ObjectTypeTwoDrawsItsTemplate) {
    const std::string t = tmpl("{r1c1}Id");
    tempbufptr = static_cast<char*>(std::malloc(t.size() + 1));
    std::memcpy(tempbufptr, t.c_str(), t.size() + 1);
    showtemplate();
    EXPECT_TRUE(WireCapture::msgs.empty()) << "object type 0 shows no template";
    settype(2);
    showtemplate();
    EXPECT_EQ(WireCapture::msgs, (Msgs{"$p3,2", "$cI", "$cd"}));
    EXPECT_EQ(numfields, 10);
    WireCapture::clear();
    param[1] = 3;
    core[3].viewtype = 2;
    coreset();
    ASSERT_GE(WireCapture::msgs.size(), 4u);
    EXPECT_EQ(Msgs(WireCapture::msgs.begin(), WireCapture::msgs.begin() + 4),
              (Msgs{"$Tx", "$p3,2", "$cI", "$cd"}));
}

class View : public RecordFixture {
  protected:
    // The record fields a repaint sent ("$TR" messages).
    static Msgs fieldmsgs() {
        Msgs v;
        for (const std::string& m : WireCapture::msgs)
            if (m.rfind("$TR", 0) == 0) v.push_back(m);
        return v;
    }
    static bool sent(const std::string& m) {
        return std::find(WireCapture::msgs.begin(), WireCapture::msgs.end(), m) !=
               WireCapture::msgs.end();
    }
    void closed() {
        EXPECT_EQ(corenum, 1);
        EXPECT_EQ(cureditmask, editmask[0]);
        EXPECT_EQ(lines(VIEWCORE), (Msgs{""}));
        EXPECT_EQ(core[VIEWCORE].viewtype, 0);
        EXPECT_EQ(viewtemplate, nullptr);
        EXPECT_EQ(numfields, 10) << "the record template is back";
    }
};

TEST_F(View, SettingsPageShowsTheSettings) {
    std::snprintf(fn[0].data(), FNKEYSIZE, "%s", "\x03GO\r");
    std::snprintf(fn[9].data(), FNKEYSIZE, "%s", "nine");
    setstring(mrgstring, "#1|#2");
    setstring(expression, "#1*2");
    setstring(sysstring, "ls");
    setstring(scanpattern, "a*b");
    scanunit = 5;
    jmode = 1;
    hyphlevel = 2;
    lrcswitch = 1;
    EXPECT_EQ(view0record(), "{C}GO{M}|||||||||nine|#1{!}#2|#1*2|ls||a*b|5|1|2|1|");
    param[1] = 0;
    view();
    EXPECT_EQ(corenum, VIEWCORE);
    EXPECT_EQ(cur().viewtype, VIEWTYPE);
    EXPECT_EQ(cureditmask, editmask[VIEWTYPE]);
    EXPECT_EQ(mode, 1);
    EXPECT_EQ(lines(VIEWCORE), (Msgs{"{C}GO{M}|||||||||nine|#1{!}#2|#1*2|ls||a*b|5|1|2|1|"}));
    EXPECT_EQ(cur().lnptr->object, K_RECORD);
    EXPECT_EQ(numfields, 19);
    EXPECT_EQ(field(16).type, 'j');
    EXPECT_TRUE(sent("$Tx"));
    display();
    EXPECT_TRUE(sent("$TR4,7,48,{C}GO{M}")) << "field 1 at row 2 + 2, column 6 + 1";
}

TEST_F(View, SettingsPageTakenBack) {
    const struct {
        const char* record;
        int32_t scanunit, jmode, hyphlevel, lrcswitch;
    } cases[] = {
        {"{C}X||||||||||#2-#1|#1+1|echo|{[}|x*|9|5|7|8|", 6, 1, 3, 2},
        {"|||||||||||||||||||", 0, 0, 0, 0}, // empty digit fields give 0
        {"a|b", 0, 0, 0, 0},                 // fewer fields: the rest empty
        {"|||||||||||||||3|0|1|2|", 3, 0, 1, 2},
    };
    for (const auto& c : cases) {
        SetUp();
        param[1] = 0;
        view();
        fill({{K_RECORD, c.record}});
        viewterm();
        EXPECT_EQ(scanunit, c.scanunit) << c.record;
        EXPECT_EQ(jmode, c.jmode) << c.record;
        EXPECT_EQ(hyphlevel, c.hyphlevel) << c.record;
        EXPECT_EQ(lrcswitch, c.lrcswitch) << c.record;
        closed();
        fetchchar();
        EXPECT_EQ(type, 21) << "command entry follows";
        if (c.scanunit == 6) {
            EXPECT_STREQ(fn[0].data(), "\x03X");
            EXPECT_STREQ(mrgstring.data(), "#2-#1");
            EXPECT_STREQ(expression.data(), "#1+1");
            EXPECT_STREQ(sysstring.data(), "echo");
            EXPECT_STREQ(termstring.data(), "\x1b");
            EXPECT_STREQ(scanpattern.data(), "x*");
        }
    }
}

TEST_F(View, SettingsRoundTrip) {
    std::snprintf(fn[3].data(), FNKEYSIZE, "%s", "\x1b[A{x}|");
    setstring(mrgstring, "#1|#2{}");
    setstring(sysstring, "a | b");
    setstring(termstring, "\x1b");
    scanunit = 4;
    param[1] = 0;
    view();
    viewterm();
    EXPECT_STREQ(fn[3].data(), "\x1b[A{x}|");
    EXPECT_STREQ(mrgstring.data(), "#1|#2{}");
    EXPECT_STREQ(sysstring.data(), "a | b");
    EXPECT_STREQ(termstring.data(), "\x1b");
    EXPECT_EQ(scanunit, 4);
    closed();
}

TEST_F(View, StatisticsPage) {
    fill({{K_TEXT, "hello"}, {K_TEXT, "abc"}});
    std::snprintf(cur().filname.data(), FILNAMESIZE, "%s", "f.txt");
    corenum = 4;
    fill({{K_TEXT, "1234567"}});
    corenum = 1;
    pushfn("\r");
    param[1] = 1;
    view();
    EXPECT_TRUE(sent("$mm<return>"));
    const Msgs f = fieldmsgs();
    EXPECT_NE(std::find(f.begin(), f.end(), "$TR5,5,16,f.txt"), f.end());
    EXPECT_NE(std::find(f.begin(), f.end(), "$TR5,22,6,3"), f.end()) << "corefile 1's lines";
    EXPECT_NE(std::find(f.begin(), f.end(), "$TR5,29,9,8"), f.end()) << "corefile 1's characters";
    EXPECT_NE(std::find(f.begin(), f.end(), "$TR8,29,9,7"), f.end()) << "corefile 4's characters";
    EXPECT_EQ(f.back(), "$TR15,29,10,15") << "the total of corefiles 0 to 18";
    closed();
}

TEST_F(View, LanguageFilesPage) {
    bormo::bormofilename['a' - '@'] = "en.att";
    bormo::bormofilename['x' - '@'] = "en.lxt";
    pushfn("\x7f");
    param[1] = 2;
    view();
    const Msgs f = fieldmsgs();
    ASSERT_EQ(f.size(), 12u);
    EXPECT_EQ(f.front(), "$TR4,19,48,en.att");
    EXPECT_EQ(f.back(), "$TR15,19,48,en.lxt");
    closed();
    bormo::bormofilename['a' - '@'].clear();
    bormo::bormofilename['x' - '@'].clear();
}

TEST_F(View, PageOverARecordCorefileRedrawsItsTemplate) {
    const std::string t = "{r1c1}Z#1" + std::string(1, static_cast<char>(TEMPLATEEND));
    tempbufptr = static_cast<char*>(std::malloc(t.size() + 1));
    std::memcpy(tempbufptr, t.c_str(), t.size() + 1);
    settype(2);
    writetemplate(0);
    pushfn("\r");
    param[1] = 2;
    view();
    EXPECT_EQ(corenum, 1);
    EXPECT_EQ(numfields, 1);
    EXPECT_EQ(field(1), (Field{3, 3, 5, 'c'}));
    EXPECT_EQ(WireCapture::msgs.back(), "$cZ") << "the corefile's own template drawn last";
}

} // namespace templates_test
} // namespace oxa
