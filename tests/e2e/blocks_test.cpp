// Starred blocks, reformatting and the one-line layouts through the real
// program: keys in, the file that SAVE writes out.
#include "harness.hpp"

#include <chrono>
#include <string>

namespace blocks_test {

using oxatest::runoxa;

// The file with its CR LF line ends made plain.
std::string plain(const std::string& s) {
    std::string out;
    for (size_t i = 0; i < s.size(); ++i)
        if (!(s[i] == '\r' && i + 1 < s.size() && s[i + 1] == '\n')) out += s[i];
    return out;
}

TEST(BlocksE2E, EditKeysAndCommands) {
    const struct {
        const char* what;
        const char* in;
        const char* keys; // after the start-up FETCH, still in command mode
        std::string out;
    } cases[] = {
        {"delete a starred block and recover it lower down", "a\nb\nc\nd\n",
         "{CR}{ESC}[B{^E}{ESC}[B{^E}{^D}{ESC}[B{^T}", "a\nd\nb\nc\n"},
        {"copy a block into corefile 0 and recover the copy", "a\nb\nc\n",
         "{CR}{^E}{ESC}[B{^E}{^B}{ESC}[B{^T}", "a\nb\nc\na\nb\n"},
        {"reformat with justification", "The quick brown fox jumps over the lazy dog and runs away\n",
         "MA1|20{CR}JU1{CR}{CR}{^R}",
         "The  quick brown fox\njumps over the  lazy\ndog and runs away\n"},
        {"reformat with hyphenation", "the kindness of\n", "MA1|10{CR}HY1{CR}{CR}{^R}",
         "the kind\xC2\xAD\nness of\n"},
        {"split, then centre the new line", "hello world\n",
         "MA1|20{CR}{CR}{ESC}[C{ESC}[C{ESC}[C{ESC}[C{ESC}[C{ESC}[s{ESC}[c", "hello\n       world\n"},
        {"join the next line", "hello \nworld\n", "{CR}{ESC}[j", "helloworld\n"},
        {"flush right on the margin", "abc\n", "MA1|10{CR}{CR}{ESC}[r", "       abc\n"},
        {"cut a rectangle", "abcd\nefgh\nijkl\n",
         "{CR}{^E}{ESC}[B{^E}{ESC}[C{ESC}[{^E}{ESC}[C{ESC}[{^E}{ESC}[{^D}", "ad\neh\nijkl\n"},
        {"copy a rectangle to the cursor", "abcd\nefgh\n",
         "{CR}{^E}{ESC}[B{^E}{ESC}[A{ESC}[{^E}{ESC}[C{ESC}[{^E}{ESC}[C{ESC}[C{ESC}[C{ESC}[C{ESC}[{^B}",
         "abcd ab\nefgh ef\n"},
        {"blank columns, the count typed after the key", "abc\ndef\n",
         "{CR}{^E}{ESC}[B{^E}{ESC}[C{ESC}[{^F}2{CR}", "a  bc\nd  ef\n"},
        {"sort on the first 15 columns", "pear\napple\nfig\n", "SO0|15|1|200000{CR}",
         "apple\nfig\npear\n"},
        {"sort descending, lines 2 to 3", "b\na\nc\nd\n", "SO1|15|2|3{CR}", "b\nc\na\nd\n"},
        {"sort without case", "b\nA\na\nB\n", "SK1{CR}SO0|1{CR}", "A\na\nb\nB\n"},
    };
    for (const auto& c : cases) {
        oxatest::Result r = runoxa(oxatest::Run{.args = {"in.txt"},
                                       .keys = std::string(c.keys) + "{CMD}SAout.txt{CR}BY{CR}",
                                       .files = {{"in.txt", c.in}}});
        EXPECT_EQ(r.status, 0) << c.what;
        EXPECT_EQ(plain(r.file("out.txt")), c.out) << c.what;
    }
}

TEST(BlocksE2E, PauseKeyWaitsThreeSeconds) {
    auto t0 = std::chrono::steady_clock::now();
    oxatest::Result r = runoxa(oxatest::Run{.keys = "{CR}{ESC}j{CMD}BY{CR}"});
    double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    EXPECT_EQ(r.status, 0);
    EXPECT_GE(s, 3.0);
}

TEST(BlocksE2E, MessagesOfRefusals) {
    oxatest::Result r = runoxa(oxatest::Run{.args = {"in.txt"},
                                   .keys = "{CR}{^D}{CR}{^T}{CR}{CMD}SAout.txt{CR}BY{CR}",
                                   .files = {{"in.txt", "a\n"}}});
    EXPECT_EQ(r.status, 0);
    EXPECT_GE(oxatest::findlines(r.lines, {"no stars set in source corefile!"}), 0);
    EXPECT_EQ(plain(r.file("out.txt")), "a\n");
}

} // namespace blocks_test
