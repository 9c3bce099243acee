// Text encodings through the real program: typed letters, files fetched and
// saved in UTF-8 or Latin-1, placeholders, refusals, and a language pack in
// either encoding.
#include "harness.hpp"

#include <algorithm>
#include <string>
#include <vector>

namespace encoding_test {

using oxatest::Fixture;
using oxatest::Result;
using oxatest::Run;
using oxatest::emits;
using oxatest::runoxa;

// The UTF-8 form of Latin-1 text.
std::string utf8(const std::string& latin1) {
    std::string out;
    for (unsigned char c : latin1) {
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

Result run(std::vector<std::string> args, std::string keys, std::vector<Fixture> files = {}) {
    return runoxa({.args = std::move(args), .keys = std::move(keys), .files = std::move(files),
                   .framed = false});
}

// A corefile that no file decided is saved in UTF-8, whatever typed its letters.
TEST(Encoding, TypedKeysAreSavedAsUtf8) {
    const struct {
        const char* what;
        std::string keys;
        std::string text; // Latin-1: what the corefile holds
    } cases[] = {
        {"UTF-8 letters", "{CR}" + utf8("\xe9l\xe8ve \xe0 No\xebl"), "\xe9l\xe8ve \xe0 No\xebl"},
        {"ESC e", "{CR}caf{ESC}e", "caf\xe9"},
        {"ESC [ a", "{CR}voil{ESC}[a", "voil\xe0"},
        {"ESC c", "{CR}gar{ESC}con", "gar\xe7on"},
        {"ESC A, ESC [ N", "{CR}{ESC}Ame ma{ESC}[Nana", "\xe2me ma\xf1" "ana"},
        {"plain ASCII", "{CR}plain text", "plain text"},
        {"KEY wins: ESC e made to type nothing", "{CMD}KE229|0{CR}{CR}caf{ESC}e", "caf"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        auto r = run({}, c.keys + "{CMD}SAout.txt{CR}{CMD}EM{CR}");
        EXPECT_EQ(r.file("out.txt"), utf8(c.text) + "\n");
        // The store and EMIT keep single bytes.
        EXPECT_EQ(emits(r.out), std::vector<std::string>{c.text + "\n"});
    }
}

const std::string french = "l'\xe9l\xe8ve est all\xe9 \xe0 l'\xe9" "cole\nNo\xebl, for\xeat, ma\xefs\n";

// Each file comes back in its own encoding; EMIT always shows the store's bytes.
TEST(Encoding, FilesAreWrittenBackInTheirEncoding) {
    const struct {
        const char* what;
        std::string file;  // f.txt as on disk
        std::string keys;  // after the start-up FETCH of f.txt
        std::string saved; // out.txt
        std::string held;  // the corefile, through EMIT
    } cases[] = {
        {"Latin-1 unchanged", french, "{CMD}SAout.txt{CR}", french, french},
        {"UTF-8 unchanged", utf8(french), "{CMD}SAout.txt{CR}", utf8(french), french},
        {"Latin-1 edited", french, "{CR}{^W}" + utf8("\xe0 ") + "{CMD}SAout.txt{CR}",
         "\xe0 " + french, "\xe0 " + french},
        {"UTF-8 edited", utf8(french), "{CR}{^W}" + utf8("\xe0 ") + "{CMD}SAout.txt{CR}",
         utf8("\xe0 " + french), "\xe0 " + french},
        {"UTF-8 with CR LF line ends", utf8("\xe9t\xe9\r\nhiver\r\n"), "{CMD}SAout.txt{CR}",
         utf8("\xe9t\xe9\nhiver\n"), "\xe9t\xe9\nhiver\n"},
        {"ASCII unchanged", "plain\ntext\n", "{CMD}SAout.txt{CR}", "plain\ntext\n", "plain\ntext\n"},
        // Plain ASCII decides nothing: a letter typed into it is saved in UTF-8 ...
        {"ASCII edited", "plain\n", "{CR}{ESC}e{CMD}SAout.txt{CR}", utf8("\xe9lain\n"),
         "\xe9lain\n"},
        // ... unless a Latin-1 file read into the corefile has decided.
        {"ASCII with Latin-1 appended", "plain\n", "{CMD}APl.txt{CR}{CMD}SAout.txt{CR}",
         "plain\n" + french, "plain\n" + french},
        {"UTF-8 with Latin-1 appended", utf8("\xe9t\xe9\n"), "{CMD}APl.txt{CR}{CMD}SAout.txt{CR}",
         utf8("\xe9t\xe9\n" + french), "\xe9t\xe9\n" + french},
        // Stray continuation bytes: not UTF-8, so every byte is taken as it is.
        {"invalid UTF-8", "caf\xc3\xa9 \xa9\n", "{CMD}SAout.txt{CR}", "caf\xc3\xa9 \xa9\n",
         "caf\xc3\xa9 \xa9\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        auto r = run({"f.txt"}, c.keys + "{CMD}EM{CR}", {{"f.txt", c.file}, {"l.txt", french}});
        EXPECT_EQ(r.file("out.txt"), c.saved);
        EXPECT_EQ(emits(r.out), std::vector<std::string>{c.held});
    }
}

TEST(Encoding, OverwriteAndJoinUseTheCorefilesEncoding) {
    auto r = run({"u.txt"}, "{CR}{ESC}e{CMD}OVu.txt{CR}{CMD}JOl.txt{CR}{CMD}EM{CR}",
                 {{"u.txt", utf8("t\xe9\n")}, {"l.txt", "x\n"}});
    EXPECT_EQ(r.file("u.txt"), utf8("\xe9\xe9\n"));
    EXPECT_EQ(r.file("l.txt"), "x\n" + utf8("\xe9\xe9\n"));
}

// French text with the letters and signs Latin-1 lacks: each is one store
// byte, and the file comes back byte for byte.
const std::string typographic = "\xc2\xab\xc2\xa0Ma s\xc5\x93ur a le c\xc5\x93ur gros\xe2\x80\xa6\xc2\xa0\xc2\xbb\n"
                                "C\xe2\x80\x99" "est 10\xc2\xa0\xe2\x82\xac \xe2\x80\x93 \xe2\x80\x9cpas plus\xe2\x80\x9d.\n"
                                "\xc5\x92uvre, \xc5\xa1, \xc5\xbd, \xc5\xb8, \xe2\x80\xb9\xe2\x80\xba \xe2\x80\xa2 \xe2\x84\xa2 \xe2\x80\xb0 \xe2\x80\xa0\xe2\x80\xa1 \xc6\x92 \xcb\x86\xcb\x9c \xe2\x80\x9e\xe2\x80\x98\xe2\x80\x9a\n";

TEST(Encoding, WesternTypographyRoundTrips) {
    const struct {
        const char* what;
        std::string keys;
        std::string saved;
        std::string held; // the first line of the corefile, through EMIT
    } cases[] = {
        {"unchanged", "", typographic,
         "\xab\xa0Ma s\x9cur a le c\x9cur gros\x85\xa0\xbb"},
        // oe typed in UTF-8 at the start of the text; the rest stays as it was.
        {"oe typed", "{CR}{^W}\xc5\x93\xe2\x80\x99", "\xc5\x93\xe2\x80\x99" + typographic,
         "\x9c\x92\xab\xa0Ma s\x9cur a le c\x9cur gros\x85\xa0\xbb"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        auto r = run({"f.txt"}, c.keys + "{CMD}SAout.txt{CR}{CMD}EM{CR}", {{"f.txt", typographic}});
        EXPECT_EQ(r.file("out.txt"), c.saved);
        const auto out = emits(r.out);
        ASSERT_EQ(out.size(), 1u) << r.out;
        EXPECT_EQ(out[0].substr(0, out[0].find('\n')), c.held);
    }
}

// A character no store byte stands for is kept as a marked placeholder: the
// file opens, the user is told how many there are and where the first is, and
// the file is written back byte for byte.
TEST(Encoding, CharacterBeyondTheStoreIsKeptAsAPlaceholder) {
    const std::string text = "l\xe2\x80\x99\xc3\xa9t\xc3\xa9\n\xce\xb1 et \xf0\x9f\x98\x80, \xc3\xbf\n";
    const std::string held = "l\x92\xe9t\xe9\n\x81" "3B1\x8D et \x81" "1F600\x8D, \x81" "FF\x8D\n";
    const struct {
        const char* what;
        std::string keys;
        const char* message; // nullptr: none
        std::string held;
    } cases[] = {
        {"fetch", "{CMD}FEe.txt{CR}",
         "e.txt: 3 characters kept as marked placeholders, the first U+03B1 on line 2", held},
        {"append", "{CMD}APe.txt{CR}",
         "e.txt: 3 characters kept as marked placeholders, the first U+03B1 on line 2", "keep\n" + held},
        {"fetch of line 1 only", "{CMD}FEe.txt|1|1{CR}", nullptr, "l\x92\xe9t\xe9\n"},
        // A procedure has no placeholders: it is refused.
        {"procedure", "{CMD}PRe.txt{CR}{CR}", "e.txt line 2: character U+03B1 cannot be edited", "keep\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        auto r = run({"k.txt"}, c.keys + "{CMD}EM{CR}", {{"k.txt", "keep\n"}, {"e.txt", text}});
        if (c.message) {
            EXPECT_GE(oxatest::findlines(r.lines, {c.message}), 0) << r.out;
        } else {
            EXPECT_EQ(r.out.find("placeholder"), std::string::npos) << r.out;
        }
        EXPECT_EQ(emits(r.out), std::vector<std::string>{c.held});
    }
    // Saved as it was read, also after an edit elsewhere; a placeholder that
    // was cut is written as its plain bytes, losing nothing else.
    auto r = run({"e.txt"}, "{CMD}SAsame.txt{CR}{CR}{^W}x {CMD}SAedited.txt{CR}", {{"e.txt", text}});
    EXPECT_EQ(r.file("same.txt"), text);
    EXPECT_EQ(r.file("edited.txt"), "x " + text);
}

TEST(Encoding, StartUpFileAndProcedureInUtf8) {
    auto r = run({"u.txt"}, "{CMD}EM{CR}", {{"u.txt", utf8(french)}});
    EXPECT_EQ(emits(r.out), std::vector<std::string>{french});
    // A UTF-8 procedure types its letters.
    r = runoxa({.args = {"-p", "p"}, .files = {{"p", "\n" + utf8("\xe9t\xe9") + "~{C}~EM\n"}},
                .framed = false});
    EXPECT_EQ(emits(r.out), std::vector<std::string>{"\xe9t\xe9\n"});
}

// ---- A language pack in UTF-8 and in Latin-1 ------------------------------------

// A pack whose plural rule cuts and adds accented letters, and a procedure
// that generates, then analyses a misspelt answer (typed in UTF-8).
std::vector<Fixture> pack(bool inutf8) {
    auto enc = [&](const std::string& s) { return inutf8 ? utf8(s) : s; };
    const std::string proc = "~{C}~ATattr\n"
                             "~{C}~TMterm\n"
                             "~{C}~LElex\n"
                             "~{C}~MOmorph\n"
                             "~{C}~SYsyn\n"
                             "~{C}~ES10|2|5|3|2|4\n"
                             "\n"
                             "~{[}g{C}~EM7\n"
                             "\n" +
                             utf8("\xe9l\xe8vs") + "~{[}D{[}K{C}~EM15\n";
    return {
        {"attr", "number ( sg , pl ) %\n"},
        {"term", "N\n"},
        {"lex", enc("\"\xe9l\xe8ve\"|N|number|10|#1|$plural|||||\n")},
        {"morph", enc("RULE plural\n  pl , \"*\xe8ve\" : ! - - - \"\xe8ves\" ;\n  * : ! ;\n")},
        {"syn", "ROOT = N [ pl ] %\nANSWER = N [ pl ] %\n"},
        {"proc", proc},
    };
}

TEST(Encoding, LanguagePackInUtf8GeneratesAndAnalysesAsInLatin1) {
    std::vector<std::string> reports;
    for (bool inutf8 : {false, true}) {
        SCOPED_TRACE(inutf8 ? "UTF-8 pack" : "Latin-1 pack");
        auto r = runoxa({.args = {"-p", "proc"}, .files = pack(inutf8), .framed = false});
        auto out = emits(r.out);
        ASSERT_EQ(out.size(), 2u) << r.out;
        EXPECT_EQ(out[0].find("ERROR"), std::string::npos) << out[0];
        EXPECT_NE(out[0].find("Answer    : \xe9l\xe8ves\n"), std::string::npos) << out[0];
        EXPECT_NE(out[1].find("APPROX   \xe9l\xe8ves/\xe9l\xe8vs"), std::string::npos) << out[1];
        reports.push_back(out[1]);
    }
    EXPECT_EQ(reports[0], reports[1]);
}

} // namespace encoding_test
