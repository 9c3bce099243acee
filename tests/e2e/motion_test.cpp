// Cursor motion end to end: keys and positioning commands move the cursor,
// and a letter typed afterwards (overwrite mode) shows where it stands in the
// text that EMIT writes.
#include "harness.hpp"

namespace motion_test {

using oxatest::Fixture;
using oxatest::Result;
using oxatest::runoxa;

const Fixture text{"a.txt", "alpha beta gamma\nsecond line\nthird\nx = 12+3 y\n"};

// Fetches `file`, runs `keys` (command mode is on at the start), then
// emits lines first..last and returns what was emitted.
std::string after(const std::string& keys, const Fixture& file = text,
                  const std::string& range = "") {
    Result r = runoxa({.args = {file.name}, .keys = keys + "{CMD}EM" + range + "{CR}",
                       .files = {file}, .framed = false});
    size_t m = r.out.rfind("$$$\r\n");
    if (m == std::string::npos) return "(no emit)";
    size_t s = r.out.rfind("\r\n", m - 1);
    return r.out.substr(s + 2, m - s - 2);
}

TEST(MotionKeys, MoveTheCursorInTheText) {
    struct Case {
        const char* name;
        std::string keys;  // typed after leaving command mode
        std::string first2;  // the first two lines afterwards
    };
    const Case cases[] = {
        {"right and left", "{ESC}[C{ESC}[C{ESC}[DX", "aXpha beta gamma\nsecond line\n"},
        {"left stops at column 1", "{ESC}[D{ESC}[DX", "Xlpha beta gamma\nsecond line\n"},
        {"down keeps the column", "{ESC}[C{ESC}[BX", "alpha beta gamma\nsXcond line\n"},
        {"up from the first line adds a line", "{ESC}[C{ESC}[AX", " X\nalpha beta gamma\n"},
        {"line end", "{ESC}[C{ESC}CX", "alpha beta gammaX\nsecond line\n"},
        {"line start", "{ESC}[C{ESC}[C{ESC}DX", "Xlpha beta gamma\nsecond line\n"},
        {"next word", "{ESC}[n{ESC}[nX", "alpha beta Xamma\nsecond line\n"},
        {"previous word across the line end", "{ESC}[B{ESC}[pX",
         "alpha beta Xamma\nsecond line\n"},
        {"tab stop", "{TAB}X", "alpha beXa gamma\nsecond line\n"},
        {"tab stop set at the cursor", "{ESC}[C{ESC}[C{ESC}[C{ESC}[C{^V}{ESC}D{TAB}X",
         "alphX beta gamma\nsecond line\n"},
        {"return", "{ESC}[C{ESC}[C{CR}X", "alpha beta gamma\nXecond line\n"},
    };
    for (const Case& k : cases) {
        EXPECT_EQ(after("{CR}" + k.keys, text, "|1|2"), k.first2) << k.name;
    }
}

TEST(MotionKeys, DownPastTheLastLineGrowsTheText) {
    const Fixture two{"b.txt", "one\ntwo\n"};
    EXPECT_EQ(after("{CR}{ESC}[B{ESC}[B{ESC}[B{ESC}[CX", two), "one\ntwo\n\n X\n");
}

TEST(MotionKeys, NumberAndPages) {
    EXPECT_EQ(after("{CR}{ESC}[B{ESC}[B{ESC}[B{ESC}[C{ESC}[C{ESC}[C{ESC}[C{ESC}[mX", text,
                    "|4|4"),
              "x = 12+3 X\n");
    std::string many;
    for (int i = 1; i <= 50; ++i) many += "line " + std::to_string(i) + "\n";
    const Fixture lines{"m.txt", many};
    // A page down puts line 21 at the top of the window and the cursor on it;
    // a page up from there returns to line 1.
    EXPECT_EQ(after("{CR}{^Q}X", lines, "|20|22"), "line 20\nXine 21\nline 22\n");
    EXPECT_EQ(after("{CR}{^Q}{^Q}{^P}X", lines, "|20|22"), "line 20\nXine 21\nline 22\n");
    EXPECT_EQ(after("{CR}{^Q}{^P}X", lines, "|1|1"), "Xine 1\n");
}

TEST(MotionCommands, PositioningMarginsTabsAndReturn) {
    std::string many;
    for (int i = 1; i <= 50; ++i) many += "line " + std::to_string(i) + "\n";
    const Fixture lines{"m.txt", many};
    std::string down19;
    for (int i = 0; i < 19; ++i) down19 += "{ESC}[B";
    struct Case {
        const char* name;
        std::string keys;  // typed in command mode; a return leaves it
        std::string range;
        std::string want;
    };
    const Case cases[] = {
        {"position", "PO3|2{CR}{CR}", "|3|3", "lXne 3\n"},
        {"position from the end", "PO-2|-2{CR}{CR}", "|49|49", "line X9\n"},
        {"position keeps the column", "PO2|3{CR}{CMD}PO-1{CR}{CR}", "|50|50", "liXe 50\n"},
        {"advance", "PO10|2{CR}{CMD}AD5|3{CR}{CR}", "|15|15", "lineX15\n"},
        {"advance back past the start", "AD-99|0{CR}{CR}", "|1|1", "Xine 1\n"},
        {"end", "EN{CR}{CR}", "|31|31", "Xine 31\n"},
        {"left margin for return", "MA4{CR}{CR}{CR}", "|2|2", "linX 2\n"},
        {"tab interval", "TA0{CR}{CMD}TA4{CR}{CR}{TAB}", "|1|1", "lineX1\n"},
        {"return inserts a line in insert mode", "ED0{CR}{CR}{^W}{CR}", "|1|3",
         "line 1\nX\nline 2\n"},
        {"return pages from the bottom row", "ED2{CR}{CR}" + down19 + "{CR}", "|20|21",
         "line 20\nXine 21\n"},
        {"return moves down from the bottom row", "{CR}" + down19 + "{CR}", "|20|21", "line 20\nXine 21\n"},
    };
    for (const Case& k : cases) {
        EXPECT_EQ(after(k.keys + "X", lines, k.range), k.want) << k.name;
    }
}

TEST(MotionCommands, WshiftRefusesAnOverlapOf70) {
    Result r = runoxa({.args = {"a.txt"}, .keys = "WS70{CR}{CR}WS69{CR}", .files = {text}});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(oxatest::findlines(r.lines, {"Overlap must be less than 70", ""}) >= 0, true)
        << r.out;
    int count = 0;
    for (const std::string& l : r.lines) count += l == "Overlap must be less than 70";
    EXPECT_EQ(count, 1);
}

} // namespace motion_test
