// Merge, record templates and view pages end to end: what merging leaves in
// the merge corefile (saved to a file), the register after a merged
// expression, templates drawn in a record corefile, and the view pages.
#include "harness.hpp"

#include <string>
#include <vector>

namespace records_test {

using oxatest::Fixture;
using oxatest::Result;
using oxatest::Run;
using oxatest::runoxa;

const Fixture records{"r.txt", "\\ra|bb|ccc\n\\r6|7\n"};
const Fixture paragraph{"p.txt", "one two\nthree four\n  five\n"};

// Saves the merge corefile to m.txt and leaves.
const std::string savemerged = "{CMD}CO16{CR}SAm.txt{CR}BY{CR}";

bool hasline(const Result& r, const std::string& line) {
    return oxatest::findlines(r.lines, {line}) >= 0;
}

TEST(Merge, TextIntoTheMergeCorefile) {
    const struct {
        const char* what;
        const char* keys;
        const char* merged;
        const char* message;
    } cases[] = {
        {"fields of a record", "OB1{CR}FEr.txt{CR}ME#3-#1{CR}{CR}{ESC}M", "\nccc-a\n", ""},
        {"a backquote ends a reference", "OB1{CR}FEr.txt{CR}ME#1`5{CR}{CR}{ESC}M", "\na5\n", ""},
        {"a line end in the template", "OB1{CR}FEr.txt{CR}ME#1{{M}#2{CR}{CR}{ESC}M",
         "\na\nbb\n", ""},
        {"each record its own merge", "OB1{CR}FEr.txt{CR}ME<#2>{CR}{CR}{ESC}M{ESC}[B{ESC}M",
         "\n<bb>\n<7>\n", ""},
        {"a paragraph's words", "FEp.txt{CR}ME#4#3{CR}{CR}{ESC}M", "\nfourthree\n", ""},
        {"a missing field", "OB1{CR}FEr.txt{CR}ME#1#9{CR}{CR}{ESC}M", "\n",
         "Field reference beyond field 3 of the record"},
        {"the merge template", "OB1{CR}FEr.txt{CR}TE2|t.mrg{CR}{CR}{ESC}F",
         "\nDear bb,\na\n", ""},
        {"no merge template", "OB1{CR}FEr.txt{CR}{CR}{ESC}F{CR}", "\n", "No merge template loaded"},
    };
    for (const auto& c : cases) {
        Result r = runoxa({.keys = std::string("{CMD}") + c.keys + savemerged,
                           .files = {records, paragraph, {"t.mrg", "Dear #2,\n#1\n"}}});
        EXPECT_EQ(r.status, 0) << c.what;
        EXPECT_EQ(r.file("m.txt"), c.merged) << c.what;
        if (*c.message) {
            EXPECT_TRUE(hasline(r, c.message)) << c.what;
        }
        EXPECT_EQ(r.file("r.txt"), records.content) << c.what;
    }
}

// A merge over a record with fewer fields than the template names leaves the
// register and the merge corefile alone and notes why without waiting: the
// keys after it (insert mode, a typed @, EMIT) all take effect.
TEST(Merge, MissingFieldIsNotedWithoutAWait) {
    const Fixture short_record{"r.txt", "\\r3|4\n"};
    const struct {
        const char* what;
        const char* keys;
    } cases[] = {
        {"expression into the register", "EX#3+1{CR}{CR}{ESC}@"},
        {"text into the merge corefile", "ME#3{CR}{CR}{ESC}M"},
    };
    for (const auto& c : cases) {
        Result r = runoxa({.keys = std::string("{CMD}OB1{CR}FEr.txt{CR}") + c.keys +
                                   "{^W}@{CMD}EM{CR}",
                           .files = {short_record},
                           .framed = false});
        EXPECT_TRUE(hasline(r, "Field reference beyond field 2 of the record")) << c.what;
        EXPECT_EQ(oxatest::emits(r.out), std::vector<std::string>{"\\r@3|4\n"}) << c.what;
    }
}

// A merge template file is cut into lines at its line ends; the one ending
// its last line starts no further, empty line.
TEST(Merge, TemplateFileLineEnds) {
    const struct {
        const char* what;
        const char* tmpl;
        const char* merged;
    } cases[] = {
        {"last line ended", "<#2>\n#1\n", "\n<bb>\na\n<7>\n6\n"},
        {"last line not ended", "<#2>\n#1", "\n<bb>\na\n<7>\n6\n"},
        {"an empty last line", "<#2>\n\n", "\n<bb>\n\n<7>\n\n"},
        {"one line, a record without its field", "#3\n", "\nccc\n"},
    };
    for (const auto& c : cases) {
        Result r = runoxa({.keys = "{CMD}OB1{CR}FEr.txt{CR}TE2|t.mrg{CR}{CR}{ESC}F{ESC}[B{ESC}F" +
                                   savemerged,
                           .files = {records, {"t.mrg", c.tmpl}}});
        EXPECT_EQ(r.file("m.txt"), c.merged) << c.what;
    }
}

TEST(Merge, ExpressionIntoTheRegister) {
    const struct {
        const char* what;
        const char* expr;
        std::vector<std::string> lines; // between leaving command mode and the next command
    } cases[] = {
        {"product of two fields", "#1*#2", {"42"}},
        {"fields and numbers", "#1'#2+5", {"60000005"}},
        {"a missing field keeps the register", "#1*#3",
         {"Field reference beyond field 2 of the record", "0"}},
    };
    for (const auto& c : cases) {
        Result r = runoxa({.keys = std::string("{CMD}OB1{CR}FEr.txt{CR}EX") + c.expr +
                                   "{CR}{CR}{ESC}[B{ESC}@{CR}{CMD}BY{CR}",
                           .files = {records}});
        int from = oxatest::findlines(r.lines, {"Command ", "Typing  "});
        ASSERT_GE(from, 0) << c.what;
        std::vector<std::string> got;
        for (size_t k = static_cast<size_t>(from) + 2; k < r.lines.size() && r.lines[k] != "Command ";
             ++k)
            got.push_back(r.lines[k]);
        EXPECT_EQ(got, c.lines) << c.what;
    }
}

// Arithmetic record checks go through the merge and the evaluator.
TEST(Merge, ArithmeticRecordChecks) {
    const Fixture numbered{"n.txt", "\\rapple|3|\n\\rbanana|12|\ntext\n\\rcherry|7|\n"};
    const Fixture checks{"c.txt", "#2>5\n#2<10\n#3>0\n"};
    const std::string loadchecks = "{CMD}CO18{CR}{CMD}FEc.txt{CR}{CMD}CO1{CR}";
    const struct {
        const char* what;
        const char* keys;
        const char* saved;
    } cases[] = {
        {"both hold", "{CMD}FEn.txt|||11x{CR}", "\\rcherry|7|\n"},
        {"the first holds", "{CMD}FEn.txt|||1xx{CR}", "\\rbanana|12|\n\\rcherry|7|\n"},
        {"the second fails", "{CMD}FEn.txt|||x0x{CR}", "\\rbanana|12|\n"},
        {"a missing field never holds", "{CMD}FEn.txt|||xx1{CR}", "\n"},
        {"a record condition finds the next record",
         "{CMD}OB1{CR}FEn.txt{CR}SC5|#2*2>20{CR}{CR}{ESC}n#",
         "\\rapple|3|\n\\r#anana|12|\ntext\n\\rcherry|7|\n"},
    };
    for (const auto& c : cases) {
        Result r = runoxa({.keys = loadchecks + c.keys + "{CMD}SAs.txt{CR}BY{CR}",
                           .files = {numbered, checks},
                           .framed = false});
        EXPECT_EQ(r.file("s.txt"), c.saved) << c.what;
    }
}

TEST(Templates, DrawnInARecordCorefile) {
    const Fixture form{"f.tpl", "{r2c3}Id #1/4\n#2/6/i\n"};
    // Loading the template in object type 2 draws its literal text.
    Result r = runoxa({.keys = "{CMD}OB2{CR}TE0|f.tpl{CR}BY{CR}", .files = {form}});
    EXPECT_GE(oxatest::findlines(r.lines, oxatest::each("Id ")), 0);
    // Switching to object type 2 draws the loaded template too, and a new
    // record has the template's two fields: field 1 takes 4 characters,
    // field 2 (type i) digits and '-' only.
    r = runoxa({.keys = "{CMD}TE1|f.tpl{CR}OB2{CR}{CR}12345{^X}-3x4{CMD}SAs.txt{CR}BY{CR}",
                .files = {form}});
    EXPECT_EQ(r.file("s.txt"), "\\r1234|-34|\n");
    const int loaded = oxatest::findlines(r.lines, {"f", ".", "t", "p", "l"});
    ASSERT_GE(loaded, 0);
    EXPECT_GE(oxatest::findlines(r.lines, oxatest::each("Id "), static_cast<size_t>(loaded) + 5),
              0);
}

TEST(Templates, MalformedTemplateIsReportedAndLosesNothing) {
    const struct {
        const char* text;
        const char* message;
    } cases[] = {
        {"Id{x}#1\n", "Template error on line 1: unexpected character in directive 'x'"},
        {"#1\n}#2\n", "Template error on line 2: closing brace without a directive '}'"},
        {"#1{r2", "Template error on line 1: directive not closed before the end (byte 0)"},
    };
    for (const auto& c : cases) {
        // The error waits for no key: the return after the command leaves
        // command mode.
        Result r = runoxa({.keys = "{CMD}OB1{CR}FEr.txt{CR}TE0|bad.tpl{CR}{CR}{ESC}[B1{CMD}"
                                   "SAs.txt{CR}BY{CR}",
                           .files = {records, {"bad.tpl", c.text}}});
        EXPECT_TRUE(hasline(r, c.message)) << c.text;
        // The text is intact and still edited field-wise by the fields defined
        // before the error.
        EXPECT_EQ(r.file("s.txt"), "\\ra|bb|ccc\n\\r1|7\n") << c.text;
    }
}

TEST(Views, SettingsPageRoundTrip) {
    // Field 11 of the settings page is the merge string: set it on the page,
    // then merge with it.
    const std::string down10 = [] {
        std::string s;
        for (int i = 0; i < 10; ++i)
            s += "{ESC}[B";
        return s;
    }();
    Result r = runoxa({.keys = "{CMD}OB1{CR}FEr.txt{CR}VI0{CR}" + down10 + "#2-#1{CR}{CR}{ESC}M" +
                               savemerged,
                       .files = {records}});
    // Return on the page takes it back and enters command mode (which the
    // next return leaves): the merge runs on the first record.
    EXPECT_EQ(r.file("m.txt"), "\nbb-a\n");
}

TEST(Views, ReadOnlyPagesWaitAndClose) {
    for (const char* page : {"1", "2"}) {
        Result r = runoxa({.keys = std::string("{CMD}FEr.txt{CR}VI") + page +
                                   "{CR}{DEL}{CMD}CO2{CR}{CMD}CO1{CR}SAs.txt{CR}BY{CR}",
                           .files = {records}});
        EXPECT_GE(oxatest::findlines(r.lines, {"<return>", "Command "}), 0) << page;
        EXPECT_EQ(r.file("s.txt"), records.content) << page;
    }
}

} // namespace records_test
