// After a fetch, through the real program: the offer of a recovery file left
// by an earlier session, and the notice of what writing the file back would
// change in its form.
#include "harness.hpp"

#include <algorithm>
#include <string>
#include <vector>

namespace fetchnotes_test {

using oxatest::runoxa;

bool said(const oxatest::Result& r, const std::string& line) {
    return std::find(r.lines.begin(), r.lines.end(), line) != r.lines.end();
}

const std::string OFFER =
    "notes.txt.oxa-save holds unsaved work from an earlier session: RETURN loads it, DELETE keeps notes.txt";

TEST(FetchNotes, TheRecoveryFileIsOfferedAndLoadedOnlyWhenAsked) {
    const struct {
        const char* what;
        std::vector<std::string> args;
        std::vector<oxatest::Fixture> files;
        const char* keys;
        const char* text; // what SA out.txt wrote
        bool offered;
    } cases[] = {
        {"at start-up, RETURN loads it", {"notes.txt"},
         {{"notes.txt", "disk\n"}, {"notes.txt.oxa-save", "rescued\n"}},
         "{CR}SAout.txt{CR}BY{CR}{CR}", "rescued\n", true},
        {"at start-up, DELETE keeps the file", {"notes.txt"},
         {{"notes.txt", "disk\n"}, {"notes.txt.oxa-save", "rescued\n"}},
         "{DEL}SAout.txt{CR}BY{CR}", "disk\n", true},
        {"FETCH offers it too", {},
         {{"notes.txt", "disk\n"}, {"notes.txt.oxa-save", "rescued\n"}},
         "FEnotes.txt{CR}{CR}SAout.txt{CR}BY{CR}{CR}", "rescued\n", true},
        {"a numbered recovery file", {"notes.txt"},
         {{"notes.txt", "disk\n"}, {"notes.txt.2.oxa-save", "second\n"}},
         "{CR}SAout.txt{CR}BY{CR}{CR}", "second\n", false},
        {"no recovery file, no question", {"notes.txt"}, {{"notes.txt", "disk\n"}},
         "SAout.txt{CR}BY{CR}", "disk\n", false},
    };
    for (const auto& c : cases) {
        const oxatest::Result r = runoxa(oxatest::Run{.args = c.args, .keys = c.keys, .files = c.files});
        EXPECT_EQ(r.status, 0) << c.what;
        EXPECT_EQ(r.file("out.txt"), c.text) << c.what;
        EXPECT_EQ(said(r, OFFER), c.offered) << c.what;
        // Nothing is deleted or written over without being asked.
        EXPECT_EQ(r.file("notes.txt"), "disk\n") << c.what;
        for (const auto& f : c.files)
            EXPECT_EQ(r.file(f.name), f.content) << c.what << ": " << f.name;
    }
}

// The loaded text keeps the file's name: OV * writes it over the file, and
// undo goes back to the file's own text.
TEST(FetchNotes, TheLoadedTextBelongsToTheFile) {
    const oxatest::Result r = runoxa(oxatest::Run{
        .args = {"notes.txt"},
        .keys = "{CR}OV*{CR}BY{CR}",
        .files = {{"notes.txt", "disk\n"}, {"notes.txt.oxa-save", "rescued\n"}}});
    EXPECT_EQ(r.file("notes.txt"), "rescued\n");
    EXPECT_TRUE(said(r, "Loaded notes.txt.oxa-save: OV * writes it over notes.txt; delete notes.txt.oxa-save when done"));
    const oxatest::Result u = runoxa(oxatest::Run{
        .args = {"notes.txt"},
        .keys = "{CR}{CR}{^_}{CMD}SAout.txt{CR}BY{CR}",
        .files = {{"notes.txt", "disk\n"}, {"notes.txt.oxa-save", "rescued\n"}}});
    EXPECT_EQ(u.file("out.txt"), "disk\n");
}

// A procedure cannot answer: the recovery file is only named.
TEST(FetchNotes, AProcedureIsToldWithoutAQuestion) {
    const oxatest::Result r = runoxa(oxatest::Run{
        .args = {"-p", "p.proc"},
        .keys = "",
        .files = {{"notes.txt", "disk\n"},
                  {"notes.txt.oxa-save", "rescued\n"},
                  {"p.proc", "~{C}~FEnotes.txt\nSAout.txt\nBY\n~"}}});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.file("out.txt"), "disk\n");
    EXPECT_TRUE(said(r, "notes.txt.oxa-save holds unsaved work from an earlier session"));
}

TEST(FetchNotes, TheFormNoticeSaysWhatWritingBackChanges) {
    const std::string head = "Writing f.txt back changes it: ";
    const struct {
        const char* what;
        const char* options; // EDITOR OPTION commands given before the fetch
        std::string bytes;
        std::string notice; // "" when none
    } cases[] = {
        {"plain text", "", "a\nb\n", ""},
        {"tabs", "", "a\tb\n", head + "tabs become blanks (ED 8, then FE again, keeps tabs)"},
        {"CR LF", "", "a\r\nb\r\n", head + "CR LF line ends become LF (ED 10 keeps CR LF)"},
        {"trailing blanks", "", "a \nb\n", head + "blanks at line ends go"},
        {"no final line end", "", "a\nb", head + "the last line gets a line end"},
        {"tabs kept", "ED8{CR}", "a\tb\n", ""},
        {"CR LF kept", "ED10{CR}", "a\r\nb\r\n", ""},
        {"LF written as CR LF", "ED10{CR}", "a\nb\n", head + "LF line ends become CR LF (ED 9 keeps LF)"},
    };
    for (const auto& c : cases) {
        const oxatest::Result r = runoxa(oxatest::Run{
            .keys = std::string(c.options) + "FEf.txt{CR}BY{CR}", .files = {{"f.txt", c.bytes}}});
        EXPECT_EQ(r.status, 0) << c.what;
        const auto it = std::find_if(r.lines.begin(), r.lines.end(),
                                     [](const std::string& l) { return l.starts_with("Writing "); });
        EXPECT_EQ(it == r.lines.end() ? "" : *it, c.notice) << c.what;
        EXPECT_EQ(r.file("f.txt"), c.bytes) << c.what;
    }
}

} // namespace fetchnotes_test
