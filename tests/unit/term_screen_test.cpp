// oxa-term: the screen model after sequences of messages.
#include "term/screen.hpp"

#include <gtest/gtest.h>

#include <string>

namespace oxa::term {
namespace term_screen_test {

// Feeds messages given one a line (each gets its CR LF).
void feed(screen& s, std::initializer_list<std::string> lines) {
    for (const auto& l : lines) {
        const std::string framed = l + "\r\n";
        s.feed(framed.data(), framed.size());
    }
}

std::string padded(std::string s, size_t width) {
    s.resize(width, ' ');
    return s;
}

// What the editor sends when it starts on a two-line file in a 40 by 10
// window, up to the wait in command mode.
void startup(screen& s) {
    feed(s, {"$X", "$W", "$mw 1", "$mr    1", "$mc    1", "$ml2", "$mvTEXT    ", "$mnf.txt",
             "$mt<...!...!", "$mmCommand ", "$TF2,  ", "$TL2,Hello world", "$TF3,  ",
             "$TL3,second line", "$TF4,  ", "$TL4", "$p2,2", "$Cx", "$mmCommand ", "$C+"});
}

TEST(TermScreen, StartUpShowsTextStatusAndRuler) {
    screen s(10, 40);
    startup(s);
    EXPECT_EQ(s.line(0), padded(" Core 1 | Line 1 of 2 | Col 1 | TEXT | Command | f.txt", 40));
    EXPECT_EQ(s.style(0), rowstyle::status);
    EXPECT_EQ(s.line(1), padded("  <...!...!", 40));
    EXPECT_EQ(s.line(2), padded("  Hello world", 40));
    EXPECT_EQ(s.line(3), padded("  second line", 40));
    EXPECT_EQ(s.line(4), std::string(40, ' '));
    EXPECT_EQ(s.line(8), std::string(40, ' ')); // the help line
    EXPECT_EQ(s.line(9), std::string(40, ' ')); // the command line
    // Waiting for a command: the cursor is on the command line.
    EXPECT_EQ(s.cursory(), 9);
    EXPECT_EQ(s.cursorx(), 0);
}

TEST(TermScreen, TypingEchoesAtTheCursor) {
    screen s(10, 40);
    startup(s);
    feed(s, {"$C-", "$mmTyping  ", "$p2,2", "$+", "$-", "$cX", "$mc    2", "$p2,3", "$+", "$-", "$cY",
             "$p2,4", "$+"});
    EXPECT_EQ(s.line(2), padded("  XYllo world", 40));
    EXPECT_EQ(s.cursory(), 2);
    EXPECT_EQ(s.cursorx(), 4);
    EXPECT_EQ(s.status().mode, "Typing");
    // An echo past the end of a row pads it.
    feed(s, {"$p4,5", "$cZ"});
    EXPECT_EQ(s.line(4), padded("     Z", 40));
}

TEST(TermScreen, CommandLineAndPrompts) {
    screen s(10, 40);
    startup(s);
    feed(s, {"$C-", "$CcF", "$C+", "$C-", "$CcE", "$CcT", "$CcC", "$CcH", "$Cc ", "$mmFilename", "$C+",
             "$Ccx", "$Cb", "$Ccf"});
    EXPECT_EQ(s.line(9), padded("FETCH f", 40));
    EXPECT_EQ(s.cursory(), 9);
    EXPECT_EQ(s.cursorx(), 7);
    EXPECT_EQ(s.status().mode, "Filename");
    feed(s, {"$Cx", "$CLFETCH a.txt"});
    EXPECT_EQ(s.line(9), padded("FETCH a.txt", 40));
    feed(s, {"$Cx", "$+"});
    EXPECT_EQ(s.line(9), std::string(40, ' '));
    EXPECT_EQ(s.cursory(), 2); // back at the text cursor
}

TEST(TermScreen, ErrorWaitsForItsReply) {
    screen s(10, 60);
    startup(s);
    feed(s, {"$b", "$meInvalid Command Request", "$e+"});
    EXPECT_EQ(s.line(8), padded(std::string("Invalid Command Request") + REPLYHINT, 60));
    EXPECT_EQ(s.style(8), rowstyle::error);
    EXPECT_TRUE(s.waiting());
    EXPECT_EQ(s.takebells(), 1);
    EXPECT_EQ(s.takebells(), 0);
    // A redraw while the error waits keeps it in view.
    feed(s, {"$X", "$W"});
    EXPECT_EQ(s.help(), "Invalid Command Request");
    feed(s, {"$e-", "$mh"});
    EXPECT_EQ(s.line(8), std::string(60, ' '));
    EXPECT_EQ(s.style(8), rowstyle::plain);
    // A progress message is not an error.
    feed(s, {"$mhFinished reading f.lex"});
    EXPECT_EQ(s.style(8), rowstyle::plain);
    EXPECT_EQ(s.line(8), padded("Finished reading f.lex", 60));
}

TEST(TermScreen, RowsFlagsFieldsAndClearing) {
    screen s(10, 40);
    startup(s);
    feed(s, {"$TF3,-+", "$TL3,abc"});
    EXPECT_EQ(s.line(3), padded("-+abc", 40));
    feed(s, {"$TL3"});
    EXPECT_EQ(s.line(3), padded("-+", 40)); // an empty row keeps its flags
    feed(s, {"$p2,2", "$Tf*I"});
    EXPECT_EQ(s.line(2), padded("*IHello world", 40));
    feed(s, {"$TR5,10,6,ab", "$TR5,3,4,toolong"});
    EXPECT_EQ(s.line(5), padded("   tool   ab    ", 40));
    // Rows outside the text window are never written.
    feed(s, {"$TL8,over the help line", "$TL1,over the ruler", "$TL-3,x", "$TR99,1,5,x"});
    EXPECT_EQ(s.line(8), std::string(40, ' '));
    EXPECT_EQ(s.line(1), padded("  <...!...!", 40));
    feed(s, {"$Tx"});
    EXPECT_EQ(s.line(2), std::string(40, ' '));
    EXPECT_EQ(s.line(0).substr(0, 7), " Core 1"); // the status stays
}

// Positions and lengths from the wire far beyond the screen: nothing is
// written past the last column, no row grows beyond the width, and the
// cursor stays on the screen.
TEST(TermScreen, WireNumbersAreClampedToTheScreen) {
    const struct {
        std::vector<std::string> lines;
        int32_t row;          // the row to look at
        std::string expected; // that row as shown (padded to 40)
        int32_t cury, curx;   // the cursor afterwards
    } cases[] = {
        {{"$TR3,2147483647,2147483647,x"}, 3, "  second line", 9, 0},
        {{"$TR3,36,2147483647,abcdefgh"}, 3, padded("  second line", 36) + "abcd", 9, 0},
        {{"$TR3,0,2147483647,"}, 3, "", 9, 0},
        {{"$C-", "$p3,2147483647", "$cX", "$cY"}, 3, "  second line", 3, 39},
        {{"$C-", "$p2147483647,5", "$cX"}, 3, "  second line", 9, 6},
        {{"$C-", "$p3,38", "$cX", "$cY", "$cZ"}, 3, padded("  second line", 38) + "XY", 3, 39},
        {{"$TL3," + std::string(100000, 'w')}, 3, "  wwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwww", 9, 0},
        {{"$C-", "$p4,2147483647", "$Tf*I"}, 4, "*I", 4, 39},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.lines.front().substr(0, 40));
        screen s(10, 40);
        startup(s);
        for (const auto& l : c.lines) {
            const std::string framed = l + "\r\n";
            s.feed(framed.data(), framed.size());
        }
        EXPECT_EQ(s.line(c.row), padded(c.expected, 40));
        EXPECT_EQ(s.cursory(), c.cury);
        EXPECT_EQ(s.cursorx(), c.curx);
    }
}

TEST(TermScreen, ResultsSlotsAndEmitOutput) {
    screen s(10, 120);
    startup(s);
    feed(s, {"$mi3"});
    EXPECT_EQ(s.status().result, "Result 3");
    feed(s, {"$mf1.5'+10", "$mV1english.att", "$mV2english.lex"});
    EXPECT_EQ(s.status().result, "= 1.5'+10");
    EXPECT_NE(s.line(0).find("= 1.5'+10 | Loaded: english.att english.lex"), std::string::npos);
    feed(s, {"one", "$two", "$$$"});
    EXPECT_TRUE(s.emitdone());
    EXPECT_EQ(s.emitted(), (std::vector<std::string>{"one", "$two"}));
    feed(s, {"three"});
    EXPECT_EQ(s.emitted(), (std::vector<std::string>{"three"}));
    // The text is untouched by EMIT output (which stands over it until
    // dismissed).
    s.dismissoutput();
    EXPECT_EQ(s.line(2), padded("  Hello world", 120));
}

// Framed program output stands over the text window, its last lines when
// more come than fit, until the next key or a full redraw.
TEST(TermScreen, ProgramOutputShownOverTheWindow) {
    screen s(10, 40); // text rows 2 .. 7
    startup(s);
    feed(s, {"$o$p3,2147483647", "$o$$$", "$$$"});
    EXPECT_TRUE(s.outputshown());
    EXPECT_EQ(s.line(2), padded("$p3,2147483647", 40));
    EXPECT_EQ(s.line(3), padded("$$$", 40));
    EXPECT_EQ(s.line(4), padded("", 40));
    EXPECT_EQ(s.line(0).substr(0, 7), " Core 1"); // status and command rows stay
    s.dismissoutput();
    EXPECT_EQ(s.line(2), padded("  Hello world", 40));

    feed(s, {"$oline 1", "$oline 2", "$oline 3", "$oline 4", "$oline 5", "$oline 6", "$oline 7",
             "$oType [return] to continue"});
    EXPECT_EQ(s.emitted().size(), 8u); // a new block: the last one had ended
    EXPECT_EQ(s.line(2), padded("line 3", 40));
    EXPECT_EQ(s.line(7), padded("Type [return] to continue", 40));
    feed(s, {"$X", "$W", "$TL2,back"});
    EXPECT_FALSE(s.outputshown());
    EXPECT_EQ(s.line(2), padded("  back", 40));
}

TEST(TermScreen, CellsHoldSingleBytesAndNeverControlBytes) {
    screen s(10, 80);
    startup(s);
    // 0x9B is a right-pointing angle quote in the text, drawn as that
    // character, never sent to the terminal as a byte.
    feed(s, {"$TL2,caf\xe9 \x01\x9b\x7f", "$mn\x1b[2Jname"});
    EXPECT_EQ(s.line(2), padded("  caf\xe9 ?\x9b?", 80));
    EXPECT_NE(s.line(0).find("| ?[2Jname"), std::string::npos) << s.line(0);
    // Every row is cut to the width.
    s.resize(10, 20);
    for (int32_t y = 0; y < s.rows(); ++y)
        EXPECT_EQ(s.line(y).size(), 20u) << y;
}

TEST(TermScreen, ResizeMovesTheBottomRows) {
    screen s(10, 40);
    startup(s);
    feed(s, {"$meNo room", "$e+", "$C-", "$p3,30"});
    s.resize(6, 20);
    EXPECT_EQ(s.rows(), 6);
    EXPECT_EQ(s.line(4).substr(0, 7), "No room"); // the help line is row rows-2
    EXPECT_EQ(s.line(2), padded("  Hello world", 20));
    EXPECT_EQ(s.cursory(), 3);
    EXPECT_EQ(s.cursorx(), 19); // kept on the screen
    s.resize(12, 50);
    EXPECT_EQ(s.line(11), std::string(50, ' '));
    EXPECT_EQ(s.line(3), padded("  second line", 50));
}

} // namespace term_screen_test
} // namespace oxa::term
