// The language-file reader: token streams, warnings, includes, macros, the
// random generator and the pattern matchers.
#include <array>
#include <set>

#include "bormo_fixture.hpp"

#include <cstring>

namespace reader_test {

using namespace bormo;

class ReaderTest : public BormoTest {
  protected:
    // Reads `text` as a language file and returns the token descriptions,
    // joined by " | ", up to and including the end of input.
    std::string tokens(const std::string& text, int lfr) {
        std::string path = file("input.txt", text);
        file_operation = "test input";
        openfile(path.c_str(), lfr);
        std::string out;
        for (int guard = 0; guard < 10000; guard++) {
            int t = v_peep();
            if (!out.empty()) out += " | ";
            out += tok2str(t);
            if (t == T_EOF) break;
            v_next();
        }
        return out;
    }

    // Message lines other than the closing lines of files.
    static std::vector<std::string> warnings() {
        std::vector<std::string> out;
        for (const std::string& m : messages())
            if (m.rfind("Finished reading", 0) != 0) out.push_back(m);
        return out;
    }
};

TEST_F(ReaderTest, KeywordTableGivesEachWordItsCode) {
    for (const tokenelement& t : tokentable) {
        if (t.token == T_END) {
            EXPECT_STREQ(t.tokenword, "");
            continue;
        }
        EXPECT_EQ(str2tok(t.tokenword), t.token) << t.tokenword;
    }
    // Only exact spellings are keywords.
    for (const char* w : {"Rule", "RULEs", "Select", "_AND_", "%Include", "x"})
        EXPECT_EQ(str2tok(w), T_IDENT) << w;
}

TEST_F(ReaderTest, PreselectionStatusTextRowIsStatus) {
    const char* expected[] = {"",
                              "No preselection rule",
                              "Attribute error in PST",
                              "No matching PST: ",
                              "Matching PST has no right-hand side: ",
                              "PST has no lexical entry: ",
                              "All is well!"};
    for (int i = 0; i < 7; i++)
        EXPECT_STREQ(pre_status_text[i], expected[i]) << i;
}

TEST_F(ReaderTest, TokenDescriptions) {
    strcpy(identbuf.data(), "word");
    struct Case {
        int code;
        const char* text;
    } cases[] = {
        {T_IDENT, "identifier: word"},
        {T_EOF, "EOF"},
        {T_NEWLINE, "linefeed"},
        {T_QUOTE, "quote"},
        {T_PRIORITY, "token: PRIORITY"},
        {T_MAKES, "token: _makes_"},
        {T_PRE, "token: _pre_"},
        {T_PERCENT, "token: %"},
        {'(', "char '('"},
        {'|', "char '|'"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(tok2str(c.code), c.text) << c.code;
}

TEST_F(ReaderTest, TokenStreams) {
    struct Case {
        const char* input;
        int lfr;
        const char* expected;
    } cases[] = {
        {"RULE rule Rule", 0, "token: RULE | token: RULE | identifier: Rule | EOF"},
        {"% %abc a%b", 0, "token: % | identifier: %abc | identifier: a%b | EOF"},
        {"a(b)=c;", 0,
         "identifier: a | char '(' | identifier: b | char ')' | char '=' | identifier: c | "
         "char ';' | EOF"},
        {"_and_ _lsp_ priority _rhs_ _in_ _is_ _ilt_ select", 0,
         "token: PRIORITY | token: PRIORITY | token: PRIORITY | token: _makes_ | token: _pre_ | "
         "token: _is_ | token: _ilt_ | token: SELECT | EOF"},
        {"INHERIT choose TRANSFORMATION", 0,
         "token: INHERIT | token: CHOOSE | token: TRANSFORMATION | EOF"},
        {"a\nb\n", 0, "identifier: a | identifier: b | EOF"},
        {"a\nb\n", 1, "identifier: a | linefeed | identifier: b | linefeed | EOF"},
        {"\t a\r\n", 1, "identifier: a | linefeed | EOF"},
        {"\"ab c\"x", 0,
         "quote | char 'a' | char 'b' | char ' ' | char 'c' | quote | identifier: x | EOF"},
        {"x{a comment, RULE}y", 0, "identifier: x | identifier: y | EOF"},
        {"a{one\ntwo}b", 0, "identifier: a | identifier: b | EOF"},
        {"\xe9t\xe9 \xc7"
         "a",
         0,
         "identifier: \xe9t\xe9 | identifier: \xc7"
         "a | EOF"},
        {"a\xff b", 0, "identifier: a | EOF"},
        {"a \xa4 b", 0, "identifier: a | char '\xa4' | identifier: b | EOF"},
        {"", 0, "EOF"},
    };
    for (const Case& c : cases) {
        resetreader();
        EXPECT_EQ(tokens(c.input, c.lfr), c.expected) << c.input;
        EXPECT_TRUE(warnings().empty()) << c.input;
        // Past the end of input the reader keeps delivering the end.
        v_next();
        EXPECT_EQ(v_peep(), T_EOF);
    }
}

TEST_F(ReaderTest, WarningsByState) {
    struct Case {
        const char* input;
        int lfr;
        const char* expected;
        const char* warning; // the one warning expected
    } cases[] = {
        {"a}b", 0, "identifier: a | char '}' | identifier: b | EOF",
         "test input warning: } outside quotes/comments"},
        {"\"a\tb\"", 0, "quote | char 'a' | char 'b' | quote | EOF",
         "test input warning: tab within quotes"},
        {"\"a\rb\"", 0, "quote | char 'a' | char 'b' | quote | EOF",
         "test input warning: CR within quotes"},
        {"\"a|b\"", 0, "quote | char 'a' | char '|' | char 'b' | quote | EOF",
         "test input warning: | within quotes"},
        {"\"a{\"", 0, "quote | char 'a' | char '{' | quote | EOF",
         "test input warning: { within quotes"},
        // An unterminated quote ends at the end of its line when newlines count.
        {"\"ab\nc", 1, "quote | char 'a' | char 'b' | linefeed | identifier: c | EOF",
         "test input warning: new line within quotes"},
        {"\"ab", 0, "quote | char 'a' | char 'b' | EOF", "test input warning: EOF within quotes"},
        // A second brace in a comment is warned about; the first } ends it.
        {"{a {b} c}", 0, "identifier: c | char '}' | EOF", "test input warning: { within comments"},
        {"{a|b}x", 0, "identifier: x | EOF", "test input warning: | within comments"},
        {"{a\nb}x", 1, "identifier: x | EOF", "test input warning: new line within comments"},
        {"x{a", 0, "identifier: x | EOF", "test input warning: EOF within comments"},
        // Control bytes would pass for token codes; they are dropped.
        {"a\x04"
         "b",
         0, "identifier: a | identifier: b | EOF",
         "test input warning: ^D outside quotes/comments"},
        {"\"a\x01\"", 0, "quote | char 'a' | quote | EOF", "test input warning: ^A within quotes"},
    };
    for (const Case& c : cases) {
        oxa::resetstore();
        resetreader();
        EXPECT_EQ(tokens(c.input, c.lfr), c.expected) << c.input;
        std::vector<std::string> w = warnings();
        // "{a {b} c}" also warns for the stray closing brace after c.
        ASSERT_FALSE(w.empty()) << c.input;
        EXPECT_EQ(w[0], c.warning) << c.input;
    }
}

TEST_F(ReaderTest, NewlineInQuotesWithoutLinefeedTokensIsDropped) {
    EXPECT_EQ(tokens("\"a\nb\"", 0), "quote | char 'a' | char 'b' | quote | EOF");
    EXPECT_TRUE(warnings().empty());
}

TEST_F(ReaderTest, LongQuotesAndComments) {
    std::string q80 = "\"" + std::string(80, 'q') + "\"";
    std::string q79 = "\"" + std::string(79, 'q') + "\"";
    std::string c300 = "{" + std::string(300, 'c') + "}";
    std::string c299 = "{" + std::string(299, 'c') + "}";
    struct Case {
        std::string input;
        int warnings;
        const char* text;
    } cases[] = {
        {q80, 1, "ERROR test input  warning: very long quoted string  "},
        {q79, 0, ""},
        {c300, 1, "ERROR test input  warning: very long comment  "},
        {c299, 0, ""},
    };
    for (const Case& c : cases) {
        oxa::resetstore();
        resetreader();
        tokens(c.input, 0);
        std::vector<std::string> w = warnings();
        ASSERT_EQ(static_cast<int>(w.size()), c.warnings) << c.input.size();
        if (c.warnings) {
            EXPECT_EQ(w[0], c.text);
        }
    }
}

TEST_F(ReaderTest, LongIdentifierIsCutAt39WithOneReportPerDroppedCharacter) {
    std::string word(45, 'w');
    word[0] = 'A';
    std::string first39 = word.substr(0, 39);
    EXPECT_EQ(tokens(word + " next", 0), "identifier: " + first39 + " | identifier: next | EOF");
    std::vector<std::string> w = warnings();
    ASSERT_EQ(w.size(), 6u);
    for (const std::string& m : w)
        EXPECT_EQ(m, "ERROR test input  identifier truncated:  " + first39 + " ");
}

TEST_F(ReaderTest, ClosingMessageCountsLines) {
    std::string path = file("three.txt", "a\nb\nc\n");
    file_operation = "attribute input";
    openfile(path.c_str(), 0);
    while (v_peep() != T_EOF)
        v_next();
    std::vector<std::string> m = messages();
    ASSERT_EQ(m.size(), 1u);
    EXPECT_EQ(m[0], "Finished reading attribute input from file '" + path + "' [3 lines.]");
    EXPECT_EQ(fsptr, -1);
}

TEST_F(ReaderTest, TestInputCommandListsEveryToken) {
    std::string path = file("t.txt", "RULE x\n(\n");
    testinput_file(path.c_str());
    std::vector<std::string> expected = {
        "token: RULE", "identifier: x",
        "linefeed",    "char '('",
        "linefeed",    "Finished reading test input from file '" + path + "' [2 lines.]",
        "end of input"};
    EXPECT_EQ(messages(), expected);
    EXPECT_EQ(file_operation, "");
}

TEST_F(ReaderTest, IncludeReadsTheFileInPlace) {
    std::string inc = file("inc.txt", "i1 i2\n");
    EXPECT_EQ(tokens("a %INCLUDE \"" + inc + "\" b\n", 0),
              "identifier: a | identifier: i1 | identifier: i2 | identifier: b | EOF");
    std::vector<std::string> m = messages();
    ASSERT_EQ(m.size(), 2u);
    EXPECT_EQ(m[0], "Finished reading test input from file '" + inc + "' [1 lines.]");
    EXPECT_EQ(v_stat, 0);
}

// A file in valid UTF-8 with a multi-byte sequence is read as single bytes;
// any other file byte for byte.
TEST_F(ReaderTest, Utf8FilesAreDecoded) {
    struct Case {
        const char* what;
        std::string input;
        std::string expected;
    } cases[] = {
        {"UTF-8", "\xc3\xa9l\xc3\xa8ve caf\xc3\xa9",
         "identifier: \xe9l\xe8ve | identifier: caf\xe9 | EOF"},
        {"Latin-1", "\xe9l\xe8ve caf\xe9", "identifier: \xe9l\xe8ve | identifier: caf\xe9 | EOF"},
        {"quoted UTF-8", "\"\xc3\xa0\"", "quote | char '\xe0' | quote | EOF"},
        {"macro text", "%define X \xc3\xa9t\xc3\xa9\n%X", "identifier: \xe9t\xe9 | EOF"},
        {"stray continuation: bytes", "caf\xc3\xa9 \xa9",
         "identifier: caf | char '\xc3' | char '\xa9' | char '\xa9' | EOF"},
    };
    for (const Case& c : cases) {
        const size_t before = warnings().size();
        EXPECT_EQ(tokens(c.input, 0), c.expected) << c.what;
        EXPECT_EQ(warnings().size(), before) << c.what;
    }
}

TEST_F(ReaderTest, EachIncludedFileHasItsOwnEncoding) {
    std::string utf8 = file("utf8.txt", "\xc3\xa9t\xc3\xa9\n");
    std::string latin1 = file("latin1.txt", "\xe9t\xe9 %INCLUDE \"" + utf8 + "\" \xe0\n");
    EXPECT_EQ(tokens("\xc3\xa0 %INCLUDE \"" + latin1 + "\" \xc3\xa8\n", 0),
              "identifier: \xe0 | identifier: \xe9t\xe9 | identifier: \xe9t\xe9 | "
              "identifier: \xe0 | identifier: \xe8 | EOF");
    EXPECT_TRUE(warnings().empty());
}

TEST_F(ReaderTest, CharacterBeyondTheSingleByteTextIsAnErrorLine) {
    std::string path = dir + "/input.txt";
    EXPECT_EQ(tokens("\xc3\xa9\nprix 10\xce\xb1 net\n\xf0\x9f\x98\x80uf\n", 0),
              "identifier: \xe9 | identifier: prix | identifier: 10 | identifier: net | "
              "identifier: uf | EOF");
    EXPECT_EQ(warnings(),
              (std::vector<std::string>{
                  "ERROR test input  " + path + " line 2: character U+03B1 cannot be edited  ",
                  "ERROR test input  " + path + " line 3: character U+1F600 cannot be edited  "}));
}

TEST_F(ReaderTest, WesternLettersBeyondLatin1AreOneByteEach) {
    EXPECT_EQ(tokens("s\xc5\x93ur c\xc5\x93ur\n", 0),
              "identifier: s\x9cur | identifier: c\x9cur | EOF");
    EXPECT_TRUE(warnings().empty());
}

TEST_F(ReaderTest, IncludeOfMissingFileIsReportedAndSkipped) {
    EXPECT_EQ(tokens("a %include \"" + dir + "/none\" b", 0),
              "identifier: a | identifier: b | EOF");
    std::vector<std::string> w = warnings();
    ASSERT_EQ(w.size(), 1u);
    EXPECT_EQ(w[0], "ERROR test input  unable to open file:  " + dir + "/none ");
    EXPECT_EQ(v_stat, 1);
}

TEST_F(ReaderTest, IncludeDepthIsSixFiles) {
    // f0 is read by the test and includes f1, which includes f2 ... f6.
    for (int i = 6; i >= 1; i--) {
        std::string next = dir + "/f" + std::to_string(i + 1);
        std::string body = "w" + std::to_string(i);
        if (i < 6) body += " %INCLUDE \"" + next + "\"";
        body += " t" + std::to_string(i) + "\n";
        file("f" + std::to_string(i), body);
    }
    // f6 exists but cannot be reached: f0..f5 are six open files.
    std::string got = tokens("w0 %INCLUDE \"" + dir + "/f1\" t0\n", 0);
    EXPECT_EQ(
        got, "identifier: w0 | identifier: w1 | identifier: w2 | identifier: w3 | identifier: w4 | "
             "identifier: w5 | identifier: t5 | identifier: t4 | identifier: t3 | identifier: t2 | "
             "identifier: t1 | identifier: t0 | EOF");
    std::vector<std::string> w = warnings();
    ASSERT_EQ(w.size(), 1u);
    EXPECT_EQ(w[0], "ERROR test input  inclusion depth too great  " + dir + "/f6 ");
    EXPECT_EQ(v_stat, 1);
    EXPECT_EQ(count_messages("Finished reading"), 6);
}

// Includes that fan out (each file including the next level many times)
// grow without end within the depth: the files opened and the text read from
// them are bounded per load, with one error line, and the load ends.
TEST_F(ReaderTest, IncludesThatFanOutAreBounded) {
    struct Case {
        const char* name;
        int fan;           // includes of the next level in each file
        std::string leaf;  // the text of the deepest file
        const char* error; // the error line's reason
    };
    const Case cases[] = {
        {"many files", 20, "x\n", "too many included files, the rest of the file is skipped"},
        {"much text", 3, std::string(1000000, '\n'),
         "too much included text, the rest of the file is skipped"},
    };
    for (const Case& k : cases) {
        file("l4", k.leaf);
        for (int level = 3; level >= 1; level--) {
            std::string body;
            for (int i = 0; i < k.fan; i++)
                body += "%INCLUDE \"" + dir + "/l" + std::to_string(level + 1) + "\"\n";
            file("l" + std::to_string(level), body);
        }
        const std::string got = tokens("%INCLUDE \"" + dir + "/l1\" after\n", 0);
        EXPECT_EQ(got.substr(got.size() - 3), "EOF") << k.name;
        EXPECT_EQ(got.find("after"), std::string::npos) << k.name << ": the rest is skipped";
        const std::vector<std::string> w = warnings();
        ASSERT_FALSE(w.empty()) << k.name;
        EXPECT_NE(w.back().find(k.error), std::string::npos) << k.name << ": " << w.back();
        EXPECT_EQ(v_stat, 1) << k.name;
    }
}

// A file name is held one byte a letter, as typed; the file is found under
// its UTF-8 name, for the named file and for an include alike.
TEST_F(ReaderTest, NamesAreConvertedLikeText) {
    file("inc\xc3\xa9", "inner\n");
    file("d\xc3\xa9", "outer %INCLUDE \"" + dir + "/inc\xe9\" last\n");
    file_operation = "test input";
    openfile((dir + "/d\xe9").c_str(), 0);
    std::string out;
    for (int guard = 0; guard < 100; guard++) {
        const int t = v_peep();
        out += tok2str(t) + " ";
        if (t == T_EOF) break;
        v_next();
    }
    EXPECT_EQ(out, "identifier: outer identifier: inner identifier: last EOF ");
    EXPECT_EQ(warnings(), std::vector<std::string>{});
}

TEST_F(ReaderTest, MacrosExpandAsIfWrittenInTheFile) {
    struct Case {
        const char* input;
        const char* expected;
    } cases[] = {
        {"%define NP noun phrase\n%NP x",
         "identifier: noun | identifier: phrase | identifier: x | EOF"},
        // A later definition hides an earlier one.
        {"%define A one\n%define A two\n%A", "identifier: two | EOF"},
        // A name that ends the line takes the whole next line.
        {"%define B\nb1 (b2)\n%B", "identifier: b1 | char '(' | identifier: b2 | char ')' | EOF"},
        // Carriage returns are left out of definitions; keywords inside work.
        {"%define C RULE\r\n%C", "token: RULE | EOF"},
        // A word of % and an unknown name is an identifier.
        {"%define D d\n%E %D", "identifier: %E | identifier: d | EOF"},
        // A macro used inside a macro.
        {"%define E e1\n%define F %E f1\n%F", "identifier: e1 | identifier: f1 | EOF"},
        // The character that ends the macro's name follows its text.
        {"%define H h1 h2\n%H(%H\n",
         "identifier: h1 | identifier: h2 | char '(' | identifier: h1 | "
         "identifier: h2 | EOF"},
        {"%define I i\n%I", "identifier: i | EOF"},
        // Self-reference stops at the expansion depth.
        {"%define G %G \n%G x", "identifier: x | EOF"},
    };
    for (const Case& c : cases) {
        resetreader();
        EXPECT_EQ(tokens(c.input, 0), c.expected) << c.input;
    }
}

TEST_F(ReaderTest, SelfReferenceAtTheEndOfADefinitionStopsAtTheDepth) {
    // Each of the 20 expansions delivers its j before naming itself again.
    std::string expected;
    for (int i = 0; i < MACRODEPTH; i++)
        expected += "identifier: j | ";
    EXPECT_EQ(tokens("%define J j %J\n%J.", 0), expected + "char '.' | EOF");
}

TEST_F(ReaderTest, MacrosEndWithTheLoad) {
    tokens("%define M m\n%M", 0);
    EXPECT_EQ(macrodict, nullptr);
    EXPECT_EQ(tokens("%M", 0), "identifier: %M | EOF");
}

TEST_F(ReaderTest, ErrorLineFormat) {
    file_operation = "Syntax Input";
    file_position = "NP";
    v_err("Unknown attribute", "xx", nullptr);
    v_err(nullptr, nullptr, nullptr);
    std::vector<std::string> expected = {"ERROR Syntax Input NP Unknown attribute xx ",
                                         "ERROR Syntax Input NP   "};
    EXPECT_EQ(messages(), expected);
}

TEST_F(ReaderTest, StrdupCopiesAndKeepsNull) {
    EXPECT_EQ(strdup_(nullptr), nullptr);
    const char* s = "abc";
    char* d = strdup_(s);
    EXPECT_STREQ(d, "abc");
    EXPECT_NE(d, s);
    free(d);
}

// Values worked out by hand from seed = seed * 3125 mod 2^32 and
// r = floor(range * seed / 2^32).
TEST_F(ReaderTest, RandomSequenceForFixedSeeds) {
    reseed(1);
    EXPECT_EQ(seed, 1ul);
    EXPECT_EQ(getrandom(10), 0); // seed 3125
    EXPECT_EQ(getrandom(10), 0); // seed 9765625
    EXPECT_EQ(getrandom(10), 1); // seed 452807053
    EXPECT_EQ(getrandom(10), 4); // seed 1977800241
    EXPECT_EQ(seed, 1977800241ul);

    reseed(12345);
    EXPECT_EQ(getrandom(1000), 8); // seed 38578125

    // The same seed gives the same numbers.
    reseed(777);
    std::vector<int> a, b;
    for (int i = 0; i < 20; i++)
        a.push_back(getrandom(97));
    reseed(777);
    for (int i = 0; i < 20; i++)
        b.push_back(getrandom(97));
    EXPECT_EQ(a, b);
}

TEST_F(ReaderTest, RandomRangeEdges) {
    reseed(99);
    for (int i = 0; i < 200; i++) {
        int r = getrandom(7);
        EXPECT_GE(r, 0);
        EXPECT_LT(r, 7);
        EXPECT_EQ(getrandom(1), 0);
    }
    EXPECT_EQ(getrandom(0), -1);
}

TEST_F(ReaderTest, ReseedMakesTheSeedOddAndReportsIt) {
    struct Case {
        long sd;
        unsigned long seed;
        const char* message;
    } cases[] = {
        {2, 3ul, "Setting random seed: 3"},
        {7, 7ul, "Setting random seed: 7"},
        {-1, 18446744073709551615ul, "Setting random seed: 18446744073709551615"},
        {-2, 18446744073709551615ul, "Setting random seed: 18446744073709551615"},
    };
    for (const Case& c : cases) {
        oxa::resetstore();
        reseed(c.sd);
        EXPECT_EQ(seed, c.seed);
        ASSERT_EQ(messages().size(), 1u);
        EXPECT_EQ(messages()[0], c.message);
    }
    reseed(0);
    EXPECT_EQ(seed & 1ul, 1ul);
    EXPECT_LE(seed, 0xFFFFFFFFul);
}

TEST_F(ReaderTest, ClockSeedsReachEveryPartOfTheirRange) {
    // Seeds made of one second's microseconds (and of successive seconds)
    // are odd 32-bit numbers, and the first draw of a small range lands on
    // each of its values about equally often.
    std::array<int, 4> first{};
    std::set<unsigned long> seen;
    for (unsigned long i = 0; i < 4000; ++i) {
        unsigned long s = clock_seed(1765300000ul + i / 1000, (i % 1000) * 997);
        EXPECT_EQ(s & 1ul, 1ul);
        EXPECT_LE(s, 0xFFFFFFFFul);
        seen.insert(s);
        seed = s;
        ++first[static_cast<size_t>(getrandom(4))];
    }
    EXPECT_GT(seen.size(), 3990u);
    for (int n : first) {
        EXPECT_GT(n, 800);
        EXPECT_LT(n, 1200);
    }
}

TEST_F(ReaderTest, PrintSeedWritesToTheGivenCorefile) {
    reseed(5);
    getrandom(3);
    printseed(3);
    std::vector<std::string> expected = {"Current random seed: 15625"};
    EXPECT_EQ(lines(3), expected);
}

TEST_F(ReaderTest, WildcardMatch) {
    struct Case {
        const char* pattern;
        const char* string;
        int match;
    } cases[] = {
        {"a*c", "abbc", 1},    {"a*c", "abcd", 0},       {"*", "", 1},       {"", "", 1},
        {"", "a", 0},          {"abc", "abc", 1},        {"ab", "abc", 0},   {"abc", "ab", 0},
        {"a*b*c", "axbyc", 1}, {"a*bc", "abcbc", 1},     {"*c", "abcbc", 1}, {"a**", "a", 1},
        {"*x*", "abc", 0},     {"\"d*\"", "\"dog\"", 1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(match_wild(c.pattern, c.string, 0, 0), c.match) << c.pattern << " " << c.string;
    // Other end characters.
    EXPECT_EQ(match_wild("a*|junk", "abc", '|', 0), 1);
    EXPECT_EQ(match_wild("abc", "abc,rest", 0, ','), 1);
    EXPECT_EQ(match_wild("ab", "abc,rest", 0, ','), 0);
}

TEST_F(ReaderTest, ListAndPatternListMatch) {
    struct Case {
        const char* pattern;
        const char* list;
        int match;
    } lists[] = {
        {"b*", "a,bc:d|", 1}, {"d", "a;b:d|x", 1},          {"x", "a,b|", 0},
        {"*", "|", 0},        {"\"a,b\"", "\"a,b\";c|", 1}, {"a", "\"a,b\"|", 0},
    };
    for (const Case& c : lists)
        EXPECT_EQ(match_list(c.pattern, c.list, 0), c.match) << c.pattern << " " << c.list;
    struct PCase {
        const char* patterns;
        const char* list;
        int match;
    } patts[] = {
        {"a,b*|", "b1;a|", 1},
        {"a,z|", "a,b|", 0},
        {"a|", "a|", 1},
        {"\"x,y\"|", "\"x,y\"|", 1},
    };
    for (const PCase& c : patts)
        EXPECT_EQ(match_pattlist(c.patterns, c.list), c.match) << c.patterns << " " << c.list;
}

TEST_F(ReaderTest, LexicalPatternMatchFromField4) {
    // Field 3 holds a code whose type byte is '|'; it must not end the field.
    const std::string entry = std::string("\"w\"|N|\x19|\x01 |0005|red,blue|big|");
    struct Case {
        const char* lsp;
        int match;
    } cases[] = {
        {"?|?|?|?|blue|?|", 1},  {"?|?|?|?|gr*|", 0},   {"?|?|?|?|r*|b*|", 1}, {"?|?|?|?||", 0},
        {"?|?|?|?|?|big,x|", 0}, {"?|?|?|?|?|?|?|", 0}, {"?|?|?|", 1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(match_lsp(c.lsp, entry.c_str()), c.match) << c.lsp;
    // An empty pattern subfield needs an empty entry subfield.
    EXPECT_EQ(match_lsp("?|?|?|?||x|", "\"w\"|N||0001||x|"), 1);
}

} // namespace reader_test

namespace reader_test {

// Preselection resolution against a small preselection stack.
class PreselectTest : public BormoTest {
  protected:
    // "cat": number sg, gender bare.
    std::string record = std::string("\"cat\"|N|\x19\x01\x01 \x19\x02\xff |0001|||");
    bormo::dict_lookup lookup{};
    bormo::treenode rhs{};
    bormo::pre_rule with_node{};
    bormo::pre_rule without_node{};

    void SetUp() override {
        BormoTest::SetUp();
        std::string path = file("a.txt", "number ( sg , pl ) gender ( masc , fem ) person (p1) %");
        readattr(path.c_str());
        lookup.dictionary = record.data();
        lookup.vf = -1;
        rhs.dictionary = &lookup;
        // Most recent first: "sg" with a word, then "pl" without one.
        with_node = {key("sg"), 1, &rhs, &without_node};
        without_node = {key("pl"), 0, nullptr, nullptr};
        preselect_list = &with_node;
    }

    void TearDown() override {
        purge_comp_attr(&with_node.PST);
        purge_comp_attr(&without_node.PST);
        purge_attr_list(&lookup.attributes);
        preselect_list = nullptr;
        BormoTest::TearDown();
    }

    static comp_attr key(const char* text) {
        text_to_comp_struct(text, 0);
        comp_attr c = comp_attr_register;
        comp_attr_register = nullptr;
        return c;
    }

    static std::string printed(comp_attr c) {
        char* p = print_comp_attr(c);
        std::string s = p;
        free(p);
        return s;
    }
};

TEST_F(PreselectTest, StatusOfAKey) {
    struct Case {
        const char* text;
        int lookup_error;
        int status;
        const char* rest;
    } cases[] = {
        {"\x0esg)", 0, 6, ")"},
        {"sg", 3, 5, ""},
        {"\x0epl ", 0, 4, " "},
        {"\x0emasc", 0, 3, ""},
        {"\x0e)", 0, 2, ")"},
        // A bare type in the key matches any value of that type.
        {"\x0enumber", 0, 6, ""},
    };
    for (const Case& c : cases) {
        lookup.error = c.lookup_error;
        const char* end = find_pst(c.text, 0);
        EXPECT_EQ(pre_status, c.status) << c.text + 1;
        EXPECT_STREQ(end, c.rest) << c.text + 1;
        EXPECT_EQ(pre_match, c.status >= 4 ? (c.status == 4 ? &without_node : &with_node) : nullptr)
            << c.text + 1;
    }
    find_pst("\x0emasc", 0);
    EXPECT_EQ(bad_pst, "masc");
    preselect_list = nullptr;
    find_pst("\x0esg", 0);
    EXPECT_EQ(pre_status, 1);
}

TEST_F(PreselectTest, FormsOfANodeSpecification) {
    struct Case {
        const char* text;
        int form;
        int status;
        int rows; // working array after the call
        const char* rest;
    } cases[] = {
        {"\x11\x0esg]", 2, 6, 1, "]"},
        {"gender\x0esg,", 1, 6, 1, ","},
        {"\x11number.gender]", 3, -1, 2, "]"},
    };
    for (const Case& c : cases) {
        pre_status = -1;
        const char* end = analyze_pre(c.text);
        EXPECT_EQ(attr_form, c.form) << c.form;
        EXPECT_EQ(pre_status, c.status) << c.form;
        EXPECT_EQ(attr_index, c.rows) << c.form;
        EXPECT_STREQ(end, c.rest) << c.form;
        if (c.form != 2) {
            EXPECT_EQ(attr_seg_count(comp_attr_register), c.rows);
            purge_comp_attr(&comp_attr_register);
        }
    }
    // Form 1 leaves the compound, not the key, in the working array.
    analyze_pre("gender\x0esg");
    EXPECT_EQ(attr[0].type, 2);
    purge_comp_attr(&comp_attr_register);
}

TEST_F(PreselectTest, AttributeTakenFromThePreselectedWord) {
    reseed(1);
    // number: the entry proposes sg; nothing drawn, nothing stored.
    analyze_pre("number\x0esg");
    ASSERT_EQ(pre_status, 6);
    purge_comp_attr(&comp_attr_register);
    EXPECT_EQ(bool_from_pre(), 1);
    comp_attr c = attr_from_pre();
    EXPECT_EQ(printed(c), "sg");
    EXPECT_EQ(lookup.attributes, nullptr);
    purge_comp_attr(&c);

    // gender: bare in the entry, so drawn (seed 3125 gives the first value)
    // and stored on the lookup.
    analyze_pre("gender\x0esg");
    purge_comp_attr(&comp_attr_register);
    c = attr_from_pre();
    EXPECT_EQ(printed(c), "masc");
    ASSERT_EQ(attr_list_count(lookup.attributes), 1);
    EXPECT_EQ(printed(lookup.attributes->first), "masc");
    purge_comp_attr(&c);

    // Asked again, the stored compound answers, with its own delay entry.
    analyze_pre("gender\x0esg");
    purge_comp_attr(&comp_attr_register);
    c = attr_from_pre();
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->index, lookup.attributes->first->index);
    purge_comp_attr(&c);
}

TEST_F(PreselectTest, AttributeMissingFromThePreselectedWord) {
    analyze_pre("person\x0esg");
    purge_comp_attr(&comp_attr_register);
    EXPECT_EQ(bool_from_pre(), 0);
    EXPECT_EQ(attr_from_pre(), nullptr);
    EXPECT_EQ(messages().back(),
              "ERROR   Preselection:  requested attribute not present in lexical entry for:  sg");
}

TEST_F(ReaderTest, AMacroThatDoublesItselfIsBoundedPerLoad) {
    // Two self-references make 2^20 expansions within the depth limit; the
    // macro text of one load is bounded instead, and the load says so.
    std::string path = file("input.txt", "%define V v %V %V\n%V\n");
    file_operation = "test input";
    openfile(path.c_str(), 0);
    long idents = 0;
    while (v_peep() != T_EOF) {
        if (v_peep() == T_IDENT) ++idents;
        v_next();
    }
    EXPECT_GT(idents, 1000);
    EXPECT_LE(idents, MAXMACROTEXT / 2);
    EXPECT_EQ(count_messages("too much macro text, the rest of the file is skipped"), 1);
    EXPECT_EQ(v_stat, 1);
    EXPECT_EQ(fsptr, -1);
    // The next load starts afresh.
    EXPECT_EQ(tokens("%define W w\n%W", 0), "identifier: w | EOF");
}

TEST_F(ReaderTest, ErrorLinesOfALoadStopAtTheLimit) {
    struct Case {
        int errors;
        int shown;
        bool cut;
    };
    const Case cases[] = {{MAXERRORS - 1, MAXERRORS - 1, false},
                          {MAXERRORS, MAXERRORS, false},
                          {MAXERRORS + 1, MAXERRORS, true},
                          {5 * MAXERRORS, MAXERRORS, true}};
    for (const Case& k : cases) {
        resetreader();
        oxa::resetstore();
        std::string text;
        for (int i = 0; i < k.errors + 3; i++) text += "w" + std::to_string(i) + "\n";
        std::string path = file("input.txt", text);
        file_operation = "test input";
        openfile(path.c_str(), 0);
        int read = 0;
        while (v_peep() != T_EOF) {
            if (read++ < k.errors) v_err("bad", identbuf.data(), "");
            v_next();
        }
        EXPECT_EQ(count_messages(" bad "), k.shown) << k.errors;
        EXPECT_EQ(count_messages("too many errors, the rest of the file is skipped"), k.cut ? 1 : 0)
            << k.errors;
        // A cut load ends at the error after the last one shown.
        EXPECT_EQ(read, k.cut ? MAXERRORS + 1 : k.errors + 3) << k.errors;
        // Outside a load, errors are never cut.
        for (int i = 0; i <= MAXERRORS; i++) v_err("late", "", "");
        EXPECT_EQ(count_messages(" late "), MAXERRORS + 1);
        EXPECT_EQ(oxa::checkstore(), "");
    }
}

} // namespace reader_test
