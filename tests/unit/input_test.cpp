// Unit tests of the input stream: key map, stack, procedure constructs, brace
// notation and the wildcard matcher.  Procedures are pushed as strings and the
// "keyboard" is a memory stream standing in for standard input.
#include "editor/input.hpp"
#include "editor/editloop.hpp"

#include "editor/commands.hpp"
#include "editor/editloop.hpp"
#include "editor/frontend.hpp"
#include "editor/lines.hpp"
#include "editor/motion.hpp"
#include "editor/paint.hpp"
#include "editor/resetall.hpp"
#include "editor/store.hpp"
#include "editor/typing.hpp"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace oxa {
namespace input_test {

class InputTest : public ::testing::Test {
  protected:
    void SetUp() override {
        resetall();
    }
    void TearDown() override {
        inptr = stdin;
        if (keyboard) std::fclose(keyboard);
    }

    // Standard input for the test: the given bytes, then end of file.
    void keys(const std::string& bytes) {
        if (keyboard) std::fclose(keyboard);
        kbtext = bytes;
        keyboard = fmemopen(kbtext.data(), kbtext.size(), "r");
        inptr = keyboard;
    }

    // Pushes procedure text written in brace notation.
    static void proc(const char* braced) {
        std::array<char, PROCBUFSIZE> buf{};
        transstring(braced, buf.data(), buf.size());
        pushfn(buf.data());
    }

    // Runs the stacked text and the keyboard until the end marker Ctrl-L
    // arrives from the keyboard; returns the characters delivered with codes
    // 2 to 4, and the other codes as "<n>".
    std::string typed() {
        keys("\x0c");
        std::string out;
        for (int guard = 0; guard < 10000; guard++) {
            fetchchar();
            if (type == 92 && !(fnptr > 0 && fnstack[fnptr] != nullptr)) return out;
            if (type >= C_PRINT && type <= C_LETTER) {
                out += static_cast<char>(holdch);
            } else {
                out += "<" + std::to_string(type) + ">";
            }
        }
        return out + "<runaway>";
    }

    // One edit code read from the keyboard bytes.
    int codeof(const std::string& bytes) {
        keys(bytes);
        fetchchar();
        return type;
    }

    // Places text in the heap and returns its offset.
    static int64_t place(const char* text) {
        const int64_t at = 1000;
        std::memcpy(&textbase[at], text, std::strlen(text));
        textbase[at + std::strlen(text)] = 'Z'; // a byte past the end that must not match
        return at;
    }

    static std::string slot(int n) { return reinterpret_cast<const char*>(unified[n].data()); }

    FILE* keyboard = nullptr;
    std::string kbtext;
};

TEST_F(InputTest, ProcedureBudgetEndsALoopThatRunsForEver) {
    // The loop types x and goes round for ever: a budget abandons the
    // procedure after that many bytes, and the keyboard is read again.
    struct Case {
        int64_t budget;
        std::string typed;
    };
    const Case cases[] = {{0, ""}, {3, "x"}, {6, "xxx"}, {30, std::string(15, 'x')}};
    for (const Case& k : cases) {
        resetinput();
        procbudget = k.budget;
        proc("{<}x{>}");
        EXPECT_EQ(typed(), k.typed) << k.budget;
        EXPECT_EQ(fnptr, 0) << k.budget;
    }
    procbudget = -1;
    // Without a budget the loop is still going when the keyboard is read.
    resetinput();
    proc("{<}x{>}");
    EXPECT_EQ(typed(), std::string(10000, 'x') + "<runaway>");
}

TEST_F(InputTest, KeyTableRowIsItsCode) {
    for (int i = 0; i < NCODES; i++)
        EXPECT_EQ(keytable[i].code, i) << "row " << i;
}

// Key sequences of the initial map, as the front end sends them.
TEST_F(InputTest, InitialKeyMap) {
    struct Case {
        const char* bytes;
        int code;
        int ch; // -1: not checked
    } cases[] = {
        {"a", 4, 'a'},
        {"Z", 4, 'Z'},
        {"-", 4, '-'},
        {"~", 4, '~'},
        {"7", 3, '7'},
        {" ", 2, ' '},
        {"|", 2, '|'},
        {"!", 2, '!'},
        {"\r", 1, -1},
        {"\n", 1, -1},
        {"\x7f", 5, -1},
        {"\x08", 5, -1},
        {"\x03", 21, -1},
        {"\x1b[13~", 21, -1},
        {"\x1b[2~", 22, -1},
        {"\x1b[3~", 5, -1},
        {"\x1b[A", 20, 'A'},
        {"\x1b[B", 18, -1},
        {"\x1b"
         "B",
         18, -1},
        {"\x0b", 18, -1},
        {"\x1b[D", 17, -1},
        {"\x1b[C", 19, -1},
        {"\x1b[23~", 19, -1},
        {"\x1b[5~", 28, -1},
        {"\x1b[216~", 28, -1},
        {"\x1bg", 97, 231},
        {"\x1bX", 41, -1},
        {"\x1b\x1b"
         "A",
         20, -1},
        {"\x1b[[g", 97, -1},
        {"\x1b[\x1b"
         "A",
         20, -1},
        {"\x1b[E"
         "A",
         20, -1},
        {"\x1b[2x", 22, -1},
        {"\x1b[h", 93, -1},
        {"\x1b[\x08", 69, -1},
        {"\x1b\x02", 78, -1},
        {"\x1c", 38, -1},
        {"\x1bH", 106, -1},
        {"\x06", 10, -1},
        {"\x0c", 92, -1},
        {"\x1b[F", 29, -1},
    };
    for (const Case& c : cases) {
        resetinput();
        EXPECT_EQ(codeof(c.bytes), c.code) << "keys " << c.bytes + (c.bytes[0] == 27);
        if (c.ch >= 0) {
            EXPECT_EQ(holdch, c.ch) << "keys " << c.bytes;
        }
    }
}

TEST_F(InputTest, UnlistedKeysAreSkipped) {
    // Ctrl-A, ESC s, ESC [ 99 ~ have no code: the next key is delivered.
    EXPECT_EQ(codeof("\x01\x1b"
                     "s\x1b[99~q"),
              4);
    EXPECT_EQ(holdch, 'q');
}

TEST_F(InputTest, NumericSequenceIsCappedAt239) {
    ASSERT_EQ(setkey(numkey(239), 40), 1);
    EXPECT_EQ(codeof("\x1b[300~"), 40);
    EXPECT_EQ(codeof("\x1b[99999999999~"), 40);
    EXPECT_EQ(codeof("\x1b[239~"), 40);
    EXPECT_EQ(codeof("\x1b[238~x"), 4); // no code: skipped
}

TEST_F(InputTest, KeyRedefinition) {
    EXPECT_EQ(setkey(-1, 4), 0);
    EXPECT_EQ(setkey(NKEYS, 4), 0);
    EXPECT_EQ(setkey(10, 128), 0);
    EXPECT_EQ(setkey(10, -1), 0);
    // ESC e made a letter key types the accented letter of the character map.
    ASSERT_EQ(setkey(esckey('e'), C_LETTER), 1);
    EXPECT_EQ(codeof("\x1b"
                     "e"),
              C_LETTER);
    EXPECT_EQ(holdch, 233);
    // A numeric key made a character key types 128 + n.
    ASSERT_EQ(setkey(numkey(39), C_PRINT), 1);
    EXPECT_EQ(codeof("\x1b[39~"), C_PRINT);
    EXPECT_EQ(holdch, 167);
    // Beyond the character map there is no character: the key types
    // nothing and the next key is read.
    ASSERT_EQ(setkey(numkey(100), C_PRINT), 1);
    EXPECT_EQ(codeof("\x1b[100~"
                     "x"),
              C_LETTER);
    EXPECT_EQ(holdch, 'x');
}

// Every key that the character map gives an accented letter types it.
TEST_F(InputTest, AccentKeysTypeTheirLetters) {
    struct Case {
        const char* bytes;
        int ch;
    } cases[] = {
        {"\x1b"
         "a",
         225},
        {"\x1b"
         "A",
         226},
        {"\x1b"
         "E",
         234},
        {"\x1b"
         "I",
         238},
        {"\x1b"
         "O",
         244},
        {"\x1b"
         "U",
         251},
        {"\x1b"
         "c",
         231},
        {"\x1b"
         "e",
         233},
        {"\x1b"
         "i",
         237},
        {"\x1b"
         "o",
         243},
        {"\x1b[N", 241},
        {"\x1b[a", 224},
        {"\x1b[e", 232},
        {"\x1b[i", 236},
        {"\x1b[o", 242},
        {"\x1b[u", 249},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(codeof(c.bytes), C_LETTER) << "keys " << c.bytes + 1;
        EXPECT_EQ(holdch, c.ch) << "keys " << c.bytes + 1;
    }
}

// A UTF-8 character from 128 to 255 is one letter key; any other byte keeps
// its meaning in the key map.
TEST_F(InputTest, Utf8LettersAreOneKey) {
    struct Case {
        const char* bytes;
        int code;
        int ch; // -1: not checked
    } cases[] = {
        {"\xc3\xa9", C_LETTER, 233},  // e acute
        {"\xc3\x89", C_LETTER, 201},  // E acute
        {"\xc3\xa7", C_LETTER, 231},  // c cedilla
        {"\xc2\xa0", C_LETTER, 160},  // no-break space
        {"\xc2\xa0", C_LETTER, 160},  // the lowest of Latin-1
        {"\xc3\xbe", C_LETTER, 254},  // the highest the store holds
        {"\xc5\x93", C_LETTER, 0x9C}, // oe
        {"\xe2\x80\x99", C_LETTER, 0x92}, // the typographic apostrophe
        {"\xe2\x82\xac", C_LETTER, 0x80}, // the euro sign
        // No byte stands for these: each is dropped with the bell.
        {"\xc2\x80q", C_LETTER, 'q'},
        {"\xc3\xbfq", C_LETTER, 'q'},
        {"\xce\xb1q", C_LETTER, 'q'},
        {"\xf0\x9f\x98\x80q", C_LETTER, 'q'},
        {"\xe2\x82q", C_LETTER, 'q'},  // cut short
        {"\xc3"
         "x",
         68, -1},                     // no continuation: the lead is ESC C
        {"\xa9q", C_LETTER, 'q'},     // a stray continuation is ESC ), which has no code
        {"\x1b\xc3\xa9", 19, -1},    // after ESC the lead is a prefixed key, as ever
    };
    for (const Case& c : cases) {
        EXPECT_EQ(codeof(c.bytes), c.code) << "keys " << c.bytes;
        if (c.ch >= 0) {
            EXPECT_EQ(holdch, c.ch) << "keys " << c.bytes;
        }
    }
    // The byte after a lead without continuation is still read.
    keys("\xc3"
         "x");
    fetchchar();
    fetchchar();
    EXPECT_EQ(type, C_LETTER);
    EXPECT_EQ(holdch, 'x');
    // The upper-case switch leaves accented letters alone.
    transb = 1;
    EXPECT_EQ(codeof("\xc3\xa9"), C_LETTER);
    EXPECT_EQ(holdch, 233);
}

TEST_F(InputTest, Utf8LettersInProcedureText) {
    proc("caf\xc3\xa9 \xc3\x80 {C}\xc3\xa7");
    EXPECT_EQ(typed(), "caf\xe9 \xc0 <21>\xe7");
    // A sequence is never joined across two sources: the lead ends its string.
    pushfn("\xc3");
    keys("\xa9q");
    fetchchar();
    EXPECT_EQ(type, 68);
    fetchchar();
    EXPECT_EQ(holdch, 'q');
}

// KEY still rebinds every key of the map; UTF-8 letters stay letters.
TEST_F(InputTest, KeyRebindingWinsOverAccentKeys) {
    ASSERT_EQ(setkey(esckey('e'), 40), 1);
    EXPECT_EQ(codeof("\x1b"
                     "e"),
              40);
    ASSERT_EQ(setkey('e', C_PRINT), 1);
    EXPECT_EQ(codeof("e"), C_PRINT);
    ASSERT_EQ(setkey(esckey('C'), 40), 1);
    EXPECT_EQ(codeof("\xc3\xa9"), C_LETTER);
    EXPECT_EQ(holdch, 233);
}

TEST_F(InputTest, UpperCaseSwitch) {
    transb = 1;
    EXPECT_EQ(codeof("q"), C_LETTER);
    EXPECT_EQ(holdch, 'Q');
    EXPECT_EQ(codeof("."), C_LETTER);
    EXPECT_EQ(holdch, '.');
    EXPECT_EQ(codeof("4"), C_DIGIT);
    EXPECT_EQ(holdch, '4');
}

TEST_F(InputTest, HighBytesInProcedureAreEscapeKeys) {
    // Byte 231 is ESC g; byte 243 (ESC s) has no code and is skipped.
    pushfn("\xf3\xe7");
    keys("");
    fetchchar();
    EXPECT_EQ(type, 97);
}

TEST_F(InputTest, StackIsLastPushedFirstAndHoldsTen) {
    for (const char* s : {"a", "b", "c", "d", "e", "f", "g", "h", "i", "j", "k"})
        pushfn(s);
    EXPECT_EQ(fnptr, FNSTACKMAX);
    EXPECT_EQ(typed(), "jihgfedcba");
    EXPECT_EQ(fnptr, 0);
}

TEST_F(InputTest, PushedTextIsCopied) {
    char text[] = "ab";
    pushfn(text);
    text[0] = 'x';
    EXPECT_EQ(typed(), "ab");
}

TEST_F(InputTest, ReadingMixesStackAndKeyboard) {
    pushfn("FE");
    keys("x\x0c");
    fetchchar();
    EXPECT_EQ(holdch, 'F');
    fetchchar();
    EXPECT_EQ(holdch, 'E');
    fetchchar();
    EXPECT_EQ(holdch, 'x');
    EXPECT_EQ(fnptr, 0);
}

TEST_F(InputTest, CountedLoops) {
    struct Case {
        const char* text;
        const char* out;
    } cases[] = {
        {"{$}3{<^}ab{>%}", "ababab"},
        {"{$}0{<^}ab{>%}c", "c"},
        {"{$}2{<^}{$}3{<^}x{>%}y{>%}z", "xxxyxxxyz"},
        {"{$}1{<^}{$}0{<^}x{>%}y{>%}z", "yz"},
        {"{$}12{<^}.{>%}", "............"},
    };
    for (const Case& c : cases) {
        resetinput();
        proc(c.text);
        EXPECT_EQ(typed(), c.out) << c.text;
        EXPECT_EQ(loopdepth, 0) << c.text;
        EXPECT_EQ(loopptr, 0) << c.text;
    }
}

TEST_F(InputTest, LoopCountIsTheLevelsResult) {
    // The body changes the result of the loop's level: a count set to 1 ends
    // the loop after one more pass.
    vl_result[0] = 7;
    proc("{$}5{<^}a{$}9{%}b{>%}");
    std::string out;
    keys("\x0c");
    for (int i = 0; i < 3; i++) {
        fetchchar();
        out += static_cast<char>(holdch);
    }
    EXPECT_EQ(out, "aba");
    EXPECT_EQ(loopdepth, 1);
    vl_result[1] = 1;
    EXPECT_EQ(typed(), "bab");
    EXPECT_EQ(vl_result[0], 7);
}

TEST_F(InputTest, Conditionals) {
    struct Case {
        int result;
        const char* text;
        const char* out;
    } cases[] = {
        {1, "{?}yes{:}no{.}!", "yes!"},
        {0, "{?}yes{:}no{.}!", "no!"},
        {-3, "{?}yes{:}no{.}!", "no!"},
        {0, "{?}yes{.}!", "!"},
        {2, "{=}2 two{:}other{.}", "two"},
        {3, "{=}2 two{:}other{.}", "other"},
        {0, "{=}0 {?}a{:}b{.}", "b"},
        // A test inside a conditional follows an opener so that skipping pairs
        // the right else and end-if.
        {1, "{?}a{&=}0 b{:}c{.}d{:}e{.}f", "acdf"},
        {0, "{?}a{&=}0 b{:}c{.}d{:}e{.}f", "ef"},
        {1, "{?}a{?}b{:}c{.}d{:}e{.}f", "abdf"},
        {0, "{?}a{?}b{:}c{.}d{:}e{.}f", "ef"},
    };
    for (const Case& c : cases) {
        resetinput();
        vl_result[0] = c.result;
        proc(c.text);
        EXPECT_EQ(typed(), c.out) << c.text << " with result " << c.result;
    }
}

TEST_F(InputTest, SkippingOffTheEndPopsTheString) {
    pushfn("z");
    proc("{?}abc"); // result 0: skips to the end of the string
    EXPECT_EQ(typed(), "z");
    pushfn("y");
    vl_result[0] = 0;
    proc("{$}0{<^}abc"); // no loop end
    EXPECT_EQ(typed(), "y");
    EXPECT_EQ(loopptr, 0);
}

TEST_F(InputTest, PatternTestComparesTheWholeLine) {
    int64_t at = place("xaybbz");
    ASSERT_EQ(unify("x*y*z", at, 0, 6), 1);
    copywild();
    ASSERT_EQ(slot(1), "a");
    ASSERT_EQ(slot(2), "bb");
    struct Case {
        const char* text;
        const char* out;
    } cases[] = {
        {"{-}2 bb\rY{:}N{.}", "Y"}, {"{-}2 b\rY{:}N{.}", "N"}, {"{-}2 bb c\rY{:}N{.}", "N"},
        {"{-}1 a\rY{:}N{.}", "Y"},  {"{-}3 \rY{:}N{.}", "Y"}, // an empty slot equals an empty line
        {"{-}99 \rY{:}N{.}", "Y"},
    };
    for (const Case& c : cases) {
        proc(c.text);
        EXPECT_EQ(typed(), c.out) << c.text;
    }
}

TEST_F(InputTest, OverlongPatternLineNeverMatches) {
    std::string line(300, 'a');
    int64_t at = place(line.c_str());
    ASSERT_EQ(unify("*", at, 0, 300), 1);
    copywild();
    std::string text = "{-}1 " + line + "\rY{:}N{.}";
    proc(text.c_str());
    EXPECT_EQ(typed(), "N");
}

TEST_F(InputTest, FunctionKeysRunAsSubroutines) {
    transstring("yz", fn[1].data(), FNKEYSIZE);
    transstring("{$}2{<^}q{>%}", fn[0].data(), FNKEYSIZE);
    proc("a{[}1b{[}0{[}0c");
    EXPECT_EQ(typed(), "ayzbqqqqc");
    // Function keys from the keyboard too, by ESC digit and by their numeric keys.
    keys("\x1b[15~");
    transstring("k", fn[5].data(), FNKEYSIZE);
    fetchchar();
    EXPECT_EQ(holdch, 'k');
}

TEST_F(InputTest, LoopEndOnlyJumpsWithinItsOwnString) {
    // A loop end in a function key does not close the procedure's loop.
    transstring("{>}f", fn[0].data(), FNKEYSIZE);
    proc("{$}2{<^}a{[}0b{>%}");
    EXPECT_EQ(typed(), "afbafb");
}

TEST_F(InputTest, PauseReadsTheKeyboardUntilResume) {
    vl_result[0] = 0;
    proc("a{[Y}b");
    // During the pause a construct key from the keyboard (ESC q, if-positive)
    // is ignored; ESC Ctrl-W ends the pause.
    keys("x\x1bqy\x1b\x17");
    std::string out;
    for (int i = 0; i < 4; i++) {
        fetchchar();
        out += static_cast<char>(holdch);
    }
    EXPECT_EQ(out, "axyb");
    EXPECT_EQ(fnptr, 1);
}

std::string drivercodes;
void recorddriver(int code) {
    drivercodes += "<" + std::to_string(code) + ">";
    // Input goes on from the stack, so the test never reads the real stdin.
    if (code == C_KILLPROG) pushfn("k");
}

TEST_F(InputTest, DriverControlCodes) {
    drivercodes.clear();
    driverctl = recorddriver;
    // From the keyboard: resume (no pause open), suspend, kill, acknowledge.
    keys("\x1b\x17\x1b\x19\x1b\x16\x1b\x18"
         "a");
    fetchchar(); // the k the test's driver layer pushed when told to kill
    EXPECT_EQ(holdch, 'k');
    EXPECT_EQ(drivercodes, "<13><14><15>");
    fetchchar();
    EXPECT_EQ(holdch, 'a');
    EXPECT_EQ(drivercodes, "<13><14><15><16>");
    // In a procedure, ESC Ctrl-Y pauses it instead of suspending the driver.
    drivercodes.clear();
    proc("{[Y}");
    keys("b");
    fetchchar();
    EXPECT_EQ(holdch, 'b');
    EXPECT_EQ(drivercodes, "");
    EXPECT_EQ(fnstack[fnptr], nullptr);
    // End of the driver's output: the driver layer is told, then input goes
    // back to standard input.
    resetinput();
    keys("");
    fetchchar();
    EXPECT_EQ(drivercodes, "<15>");
    EXPECT_EQ(holdch, 'k');
    EXPECT_EQ(inptr, stdin);
    driverctl = nullptr;
}

TEST_F(InputTest, ConstructsFromTheKeyboardAreIgnored) {
    vl_result[0] = 0;
    keys("\x1bq"
         "a\x1b{"
         "b\x1b}"
         "c");
    std::string out;
    for (int i = 0; i < 3; i++) {
        fetchchar();
        out += static_cast<char>(holdch);
    }
    EXPECT_EQ(out, "abc");
    EXPECT_EQ(loopptr, 0);
}

TEST_F(InputTest, LoopAndLevelLimits) {
    // 19 open loops and 19 levels are allowed.
    proc("{<<<<<<<<<<<<<<<<<<<}a");
    EXPECT_EQ(typed(), "a");
    EXPECT_EQ(loopptr, 0); // the loops left open went with their string
    proc("{$}1{$}1{$}1{$}1{$}1{$}1{$}1{$}1{$}1{$}1{$}1{$}1{$}1{$}1{$}1{$}1{$}1{$}1{$}1a");
    EXPECT_EQ(typed(), "a");
    EXPECT_EQ(loopdepth, 19);
    // One more gives up the procedure and everything stacked under it.
    resetinput();
    pushfn("under");
    proc("{<<<<<<<<<<<<<<<<<<<<}a");
    EXPECT_EQ(typed(), "");
    resetinput();
    pushfn("under");
    proc("{$}1{$}1{$}1{$}1{$}1{$}1{$}1{$}1{$}1{$}1{$}1{$}1{$}1{$}1{$}1{$}1{$}1{$}1{$}1{$}1a");
    EXPECT_EQ(typed(), "");
    EXPECT_EQ(loopdepth, 0);
}

TEST_F(InputTest, ClosingBelowLevelZeroStaysAtZero) {
    vl_result[0] = 4;
    proc("{%%}a");
    EXPECT_EQ(typed(), "a");
    EXPECT_EQ(loopdepth, 0);
    EXPECT_EQ(vl_result[0], 4);
}

TEST_F(InputTest, ConfirmationAndNumberReaders) {
    keys("ab\r");
    EXPECT_EQ(gcr(), 1);
    EXPECT_EQ(del, 1);
    keys("a\x1b[3~");
    EXPECT_EQ(gcr(), 2);
    EXPECT_EQ(del, 2);

    keys("123x4");
    EXPECT_EQ(gnum(), 123);
    fetchchar(); // the x went with the number
    EXPECT_EQ(holdch, '4');
    keys("x");
    EXPECT_EQ(gnum(), 0);

    keys("\x1b[A\rq");
    EXPECT_EQ(glett(), 'q');
}

TEST_F(InputTest, CommandTextThroughProcedure) {
    // What a procedure file holds after `~` turns translation on: the command
    // key, a command name, a parameter and a line end.
    proc("{C}FEnotes.txt\r");
    keys("");
    std::string out;
    for (int i = 0; i < 13; i++) {
        fetchchar();
        out += type == C_COMMAND ? "<cmd>" : type == C_RETURN ? "<ret>" : std::string(1, holdch);
    }
    EXPECT_EQ(out, "<cmd>FEnotes.txt<ret>");
}

TEST_F(InputTest, BraceNotation) {
    struct Case {
        const char* braced;
        const char* bytes;
    } cases[] = {
        {"{C}", "\x03"},
        {"{[}", "\x1b"},
        {"a!b", "a!b"},
        {"{!}", "|"},
        {"{()}", "{}"},
        {"{`}", "~"},
        {"{/}", "\x7f"},
        {"{$%&-.}", "\xfe\xf7\xd6\xd9\xf6"},
        {"{:<=>?^}", "\xf5\xfb\xd3\xfc\xf1\xfd"},
        {"{c}{cm}x", "\x03\x03\x0dx"},
        {"{@ }a", "a"}, // NUL bytes are dropped
        {"{{C}}}", "\x03"},
    };
    for (const Case& c : cases) {
        char out[64];
        transstring(c.braced, out, sizeof out);
        EXPECT_STREQ(out, c.bytes) << c.braced;
    }
    // With translation off, braces are plain characters.
    transflag = 0;
    unsigned char b = 0;
    EXPECT_EQ(transchar('{', &b), 1);
    EXPECT_EQ(b, '{');
}

TEST_F(InputTest, BraceNotationCutsToTheBuffer) {
    char out[4];
    EXPECT_EQ(transstring("abcdef", out, sizeof out), 3);
    EXPECT_STREQ(out, "abc");
}

TEST_F(InputTest, UntransIsTheInverse) {
    char shown[16];
    untransstring("\x03"
                  "FE\xfe"
                  "5a|",
                  shown, sizeof shown);
    EXPECT_STREQ(shown, "{C}FE{$}5a{!}");
    // Every byte survives the round trip between plain characters, except
    // Ctrl-^ (30), whose brace form {^} is the loop test.
    for (int b = 1; b < 256; b++) {
        if (b == 30) continue;
        const char stored[] = {'a', static_cast<char>(b), 'b', 0};
        char braced[16];
        char back[16];
        untransstring(stored, braced, sizeof braced);
        transstring(braced, back, sizeof back);
        EXPECT_STREQ(back, stored) << "byte " << b << " shown as " << braced;
    }
    // A cut never leaves an unclosed brace.
    char small[5];
    untransstring("ab\x03\x03", small, sizeof small);
    EXPECT_STREQ(small, "ab");
}

TEST_F(InputTest, Unify) {
    struct Case {
        const char* pattern;
        const char* text;
        int match;
        const char* cap1;
        const char* cap2;
    } cases[] = {
        {"a*c", "abbc", 1, "bb", ""},
        {"a*c", "ac", 1, "", ""},
        {"a*c", "abcd", 0, "", ""},
        {"a*c", "abc", 1, "b", ""},
        {"abc", "abc", 1, "", ""},
        {"abc", "ab", 0, "", ""}, // the byte after the text is Z: no match past the end
        {"abZ", "ab", 0, "", ""},
        {"ab", "abc", 0, "", ""},
        {"*", "", 1, "", ""},
        {"*", "hello", 1, "hello", ""},
        {"x", "", 0, "", ""},
        {"", "", 1, "", ""},
        {"a*", "abc", 1, "bc", ""},
        {"*b", "abb", 1, "ab", ""},
        {"*ab", "aab", 1, "a", ""},
        {"a*b*c", "axxbyc", 1, "xx", "y"},
        {"a*b*c", "abc", 1, "", ""},
        {"*-*", "x-y-z", 1, "x", "y-z"},
        {"the * sat on the *", "the cat sat on the mat", 1, "cat", "mat"},
    };
    for (const Case& c : cases) {
        int64_t at = place(c.text);
        int got = unify(c.pattern, at, 0, static_cast<int64_t>(std::strlen(c.text)));
        EXPECT_EQ(got, c.match) << c.pattern << " ~ " << c.text;
        if (!got) continue;
        copywild();
        EXPECT_EQ(slot(1), c.cap1) << c.pattern << " ~ " << c.text;
        EXPECT_EQ(slot(2), c.cap2) << c.pattern << " ~ " << c.text;
    }
}

TEST_F(InputTest, UnifyTerminatorAndLimits) {
    int64_t at = place("abc");
    EXPECT_EQ(unify("a*c|rest", at, '|', 3), 1);
    EXPECT_EQ(unify("a*c", at, 0, -1), 0);
    EXPECT_EQ(unify("a", HEAPSIZE - 1, 0, 5), 0);
    std::string longpat(MATCHSIZE + 10, '*');
    EXPECT_EQ(unify(longpat.c_str(), at, 0, 3), 0);
}

TEST_F(InputTest, CapturesComeFromTheLastSuccessfulMatch) {
    int64_t at = place("abbc");
    ASSERT_EQ(unify("a*c", at, 0, 4), 1);
    int64_t other = place("xyz");
    ASSERT_EQ(unify("q*", other, 0, 3), 0);
    place("abbc");
    copywild();
    EXPECT_EQ(slot(1), "bb");
}

TEST_F(InputTest, CapturesBeyondTwentyShareTheLastSlot) {
    std::string pattern, text;
    for (int i = 1; i <= 22; i++) {
        pattern += i > 1 ? "-*" : "*";
        text += (i > 1 ? "-" : "") + std::to_string(i);
    }
    int64_t at = place(text.c_str());
    ASSERT_EQ(unify(pattern.c_str(), at, 0, static_cast<int64_t>(text.size())), 1);
    copywild();
    for (int i = 1; i <= 20; i++)
        EXPECT_EQ(slot(i), std::to_string(i));
    EXPECT_EQ(slot(21), "22");
}

TEST_F(InputTest, CaptureIsCutToItsSlot) {
    std::string text(300, 'x');
    int64_t at = place(text.c_str());
    ASSERT_EQ(unify("*", at, 0, 300), 1);
    copywild();
    EXPECT_EQ(slot(1), std::string(CAPTSIZE - 1, 'x'));
}

// Edit code 41 types a capture slot, its number read from the input, as if
// its characters were keyed.
class WildTest : public InputTest {
  protected:
    void SetUp() override {
        InputTest::SetUp();
        xvsink = [](const char*, size_t) {};
    }
    // The current line holds text (of the given kind); cursor at col.
    static void fill(const char* text, int32_t col, int32_t kind) {
        for (const char* p = text; *p; ++p)
            ASSERT_TRUE(cadd(static_cast<unsigned char>(*p)));
        cur().lnptr->object = kind;
        cur().curcol = col;
    }
    static std::string line() {
        const LINE* l = cur().lnptr;
        return std::string(reinterpret_cast<const char*>(&textbase[l->index]),
                           static_cast<size_t>(l->length));
    }
};

TEST_F(WildTest, TextCapture) {
    fill("ab", 3, K_TEXT);
    std::strcpy(reinterpret_cast<char*>(unified[2].data()), "XY9");
    mode = 2;
    type = 41;
    pushfn("2\r");
    wildtxt();
    EXPECT_EQ(line(), "abXY9");
    EXPECT_EQ(cur().curcol, 6);
    EXPECT_EQ(redisplay, RP_ROW);
    EXPECT_EQ(type, 41);
    // A slot number outside 1..21 types nothing; the number's end is consumed.
    pushfn("22x");
    wildtxt();
    EXPECT_EQ(line(), "abXY9");
    EXPECT_EQ(*fnstack[fnptr], 0);
    EXPECT_EQ(checkstore(), "");
}

TEST_F(WildTest, RecordCaptureKeepsTheFieldRules) {
    cur().viewtype = 1;
    fill("ab|cd|", 4, K_RECORD);
    ftype[2] = 'i'; // an integer field refuses letters
    std::strcpy(reinterpret_cast<char*>(unified[1].data()), "1x2");
    mode = 1;
    pushfn("1\r");
    wildrec();
    EXPECT_EQ(line(), "ab|12|");
    EXPECT_EQ(redisplay, RP_FIELD);
    EXPECT_EQ(checkstore(), "");
}

TEST_F(InputTest, EndOfInputExitsNamingUnsavedCorefiles) {
    auto* const guard = eofhook; // this test wants the real exit
    eofhook = nullptr;
    EXPECT_EXIT(
        {
            core[3].edited = 1;
            std::strcpy(core[3].filname.data(), "letter.txt");
            core[5].edited = 1;
            if (!std::freopen("/dev/null", "r", stdin)) std::abort();
            inptr = stdin;
            fetchchar();
        },
        ::testing::ExitedWithCode(0), "letter\\.txt\\) not saved(.|\n)*corefile 5 not saved");
    eofhook = guard;
}

TEST_F(InputTest, EndOfInputInsideAWait) {
    auto* const guard = eofhook; // this test wants the real exit
    eofhook = nullptr;
    EXPECT_EXIT(
        {
            if (!std::freopen("/dev/null", "r", stdin)) std::abort();
            inptr = stdin;
            pushfn("ab");
            gcr();
        },
        ::testing::ExitedWithCode(0), "");
    eofhook = guard;
}

} // namespace input_test
} // namespace oxa
