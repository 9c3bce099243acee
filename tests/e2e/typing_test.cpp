// Typing, rubout and recovery through the real program: the echo transcript
// and the text that SAVE writes.
#include "harness.hpp"

#include <string>
#include <vector>

namespace typing_test {

using oxatest::Run;
using oxatest::runoxa;

// Leaves the start-up command mode, types `keys`, saves corefile 1 to out.txt
// and leaves.
oxatest::Result typing(const std::string& keys) {
    return runoxa(Run{.keys = "{CR}" + keys + "{CMD}SAout.txt{CR}BY{CR}"});
}

// The file with its line ends made plain.
std::string content(const oxatest::Result& r) {
    std::string s = r.file("out.txt"), out;
    for (size_t i = 0; i < s.size(); ++i)
        if (!(s[i] == '\r' && i + 1 < s.size() && s[i + 1] == '\n')) out += s[i];
    return out;
}

// Front-end lines between leaving the start-up command mode and the next
// command: what typing echoed (and the mode words it sent).
std::vector<std::string> echoed(const oxatest::Result& r) {
    std::vector<std::string> out;
    size_t i = 0;
    while (i < r.lines.size() && r.lines[i] != "Command ")
        ++i;
    while (i < r.lines.size() && r.lines[i] != "Typing  ")
        ++i;
    for (++i; i < r.lines.size() && r.lines[i] != "Command "; ++i)
        out.push_back(r.lines[i]);
    return out;
}

TEST(Typing, EchoAndText) {
    const struct {
        const char* what;
        const char* keys;
        std::vector<std::string> echo;
        const char* text;
    } cases[] = {
        {"overwrite", "abc", {"a", "b", "c"}, "abc\n"},
        {"overwrite over text", "abc{ESC}[D{ESC}[DX", {"a", "b", "c", "X"}, "aXc\n"},
        {"padding: only the typed character is echoed",
         "{^X}{^X}{^X}{^X}{^X}{^X}{^X}{^X}{^X}z",
         {"z"},
         "         z\n"},
        {"insert inside a line repaints its row",
         "ac{ESC}[D{^W}b",
         {"a", "c", "Insert  "},
         "abc\n"},
        {"insert at the end echoes", "{^W}ab", {"Insert  ", "a", "b"}, "ab\n"},
        {"insert and back to overwrite",
         "abc{ESC}[D{ESC}[D{^W}X{^W}Y",
         {"a", "b", "c", "Insert  ", "Typing  ", "Y"},
         "aXYc\n"},
    };
    for (const auto& c : cases) {
        oxatest::Result r = typing(c.keys);
        EXPECT_EQ(r.status, 0) << c.what;
        EXPECT_EQ(echoed(r), c.echo) << c.what;
        EXPECT_EQ(content(r), c.text) << c.what;
    }
}

TEST(Typing, RuboutAndRecovery) {
    const struct {
        const char* what;
        const char* keys;
        const char* text;
    } cases[] = {
        {"at the end deletes the last character", "abc{DEL}", "ab\n"},
        {"deletes the character under the cursor", "abc{ESC}[D{ESC}[D{DEL}", "ac\n"},
        {"three rubouts and three recoveries", "xabcy{ESC}[D{ESC}[D{ESC}[D{ESC}[D{DEL}{DEL}{DEL}",
         "xy\n"},
        {"recovered in order", "xabcy{ESC}[D{ESC}[D{ESC}[D{ESC}[D{DEL}{DEL}{DEL}{^U}{^U}{^U}",
         "xabcy\n"},
        {"beyond the end only moves left", "ab{^X}{^X}{DEL}{DEL}X", "abX\n"},
        {"an empty line is removed", "a{^F}{^F}b{^Z}{DEL}{DEL}", "a\nb\n"},
        {"the empty last line stays", "a{^F}{DEL}{DEL}b", "a\nb\n"},
    };
    for (const auto& c : cases) {
        oxatest::Result r = typing(c.keys);
        EXPECT_EQ(r.status, 0) << c.what;
        EXPECT_EQ(content(r), c.text) << c.what;
    }
}

TEST(Typing, RecordEntry) {
    // A record corefile: CLEAR gives it a record line of ten empty fields.
    const std::string start = "{CMD}OB1{CR}CL{CR}BE{CR}{CR}";
    const struct {
        const char* what;
        const char* keys;
        const char* text;
    } cases[] = {
        {"a bar is never entered", "ab|c", "\\rabc||||||||||\n"},
        {"a full field takes no more", "abcdefg{^X}x", "\\rabcde|x|||||||||\n"},
        {"insert in a full field loses its last character", "abcde{ESC}[D{ESC}[D{ESC}[D{^W}X",
         "\\rabXcd||||||||||\n"},
        {"field deletion", "ab{^X}cd{ESC}{^D}", "\\rab||||||||||\n"},
        {"field deletion and recovery", "ab{^X}cd{ESC}{^D}{ESC}{^T}", "\\rab|cd|||||||||\n"},
        {"rubout on a bar only moves left", "ab{DEL}{DEL}", "\\ra||||||||||\n"},
    };
    for (const auto& c : cases) {
        oxatest::Result r = typing(start + c.keys);
        EXPECT_EQ(r.status, 0) << c.what;
        EXPECT_EQ(content(r), c.text) << c.what;
    }
}

} // namespace typing_test
