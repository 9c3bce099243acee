// The full message stream (OXA_WIRE=full): every message passes whole, the
// window size comes from LINES and COLUMNS, and the input stream takes the
// front end's size report.
#include "editor/commands.hpp"
#include "editor/editloop.hpp"
#include "editor/files.hpp"
#include "editor/frontend.hpp"
#include "editor/input.hpp"
#include "editor/paint.hpp"
#include "editor/processes.hpp"
#include "editor/resetall.hpp"
#include "editor/store.hpp"
#include "editor/terminal.hpp"
#include "term/message.hpp"
#include "textfixture.hpp"
#include "wire_capture.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace oxa {
namespace fullwire_test {

using oxatest::WireCapture;

class FullWire : public ::testing::Test {
  protected:
    void SetUp() override {
        resetall();
        WireCapture::install();
        wirefull = 1;
    }
    void TearDown() override {
        resetfrontend();
        inptr = stdin;
        if (keyboard) std::fclose(keyboard);
        unsetenv("LINES");
        unsetenv("COLUMNS");
    }
    void keys(const std::string& bytes) {
        if (keyboard) std::fclose(keyboard);
        kbtext = bytes;
        keyboard = fmemopen(kbtext.data(), kbtext.size(), "r");
        inptr = keyboard;
    }
    FILE* keyboard = nullptr;
    std::string kbtext;
};

TEST_F(FullWire, ModeComesFromTheVariable) {
    const struct {
        const char* value;
        int32_t full;
    } cases[] = {{"full", 1}, {nullptr, 0}, {"", 0}, {"FULL", 0}, {"fuller", 0}, {"default", 0}};
    for (const auto& c : cases) {
        setwiremode(c.value);
        EXPECT_EQ(wirefull, c.full) << (c.value ? c.value : "(unset)");
    }
}

TEST_F(FullWire, EveryKnownMessagePassesWhole) {
    const struct {
        const char* msg;
        const char* wire;
    } cases[] = {
        {"$+", "$+\r\n"},
        {"$C-", "$C-\r\n"},
        {"$CcF", "$CcF\r\n"},
        {"$Cx", "$Cx\r\n"},
        {"$X", "$X\r\n"},
        {"$W", "$W\r\n"},
        {"$Tx", "$Tx\r\n"},
        {"$TF3, +", "$TF3, +\r\n"},
        {"$TL3,some text", "$TL3,some text\r\n"},
        {"$TR3,2,5,abc", "$TR3,2,5,abc\r\n"},
        {"$Tf*I", "$Tf*I\r\n"},
        {"$c\xe9", "$c\xe9\r\n"},
        {"$p2,5", "$p2,5\r\n"},
        {"$b", "$b\r\n"},
        {"$e+", "$e+\r\n"},
        {"$mw 1", "$mw 1\r\n"},
        {"$mvTEXT    ", "$mvTEXT    \r\n"},
        {"$mt<...!", "$mt<...!\r\n"},
        {"$mV3lexicon.lex", "$mV3lexicon.lex\r\n"},
        {"$mh", "$mh\r\n"},
        // Not messages: dropped as in the default stream.
        {"GREEN 3 4", ""},
        {"$q", ""},
        {"$", ""},
        {"", ""},
    };
    for (const auto& c : cases) {
        WireCapture::clear();
        xvtransmit(c.msg);
        EXPECT_EQ(WireCapture::wire, c.wire) << c.msg;
    }
    visible = 0;
    WireCapture::clear();
    xvtransmit("$TL3,hidden");
    EXPECT_EQ(WireCapture::wire, "");
}

TEST_F(FullWire, WindowSizeFromTheEnvironment) {
    const struct {
        const char* lines;
        const char* columns;
        int32_t depth, swidth;
    } cases[] = {
        {"30", "100", 26, 98},
        {"10", "40", 6, 38},
        {nullptr, nullptr, 20, 78},  // unset: 80 by 24
        {"x", "100z", 20, 78},       // not numbers
        {"-5", "0", 20, 78},         // not sizes
        {"2", "3", 2, 22},           // clamped to the smallest window
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << (c.lines ? c.lines : "-") << "x" << (c.columns ? c.columns : "-"));
        unsetenv("LINES");
        unsetenv("COLUMNS");
        if (c.lines) setenv("LINES", c.lines, 1);
        if (c.columns) setenv("COLUMNS", c.columns, 1);
        getwindsize();
        EXPECT_EQ(depth, c.depth);
        EXPECT_EQ(swidth, c.swidth);
    }
    // The default stream ignores the variables.
    wirefull = 0;
    setenv("LINES", "30", 1);
    setenv("COLUMNS", "100", 1);
    stermpars();
    if (termactive) GTEST_SKIP() << "running on a terminal";
    getwindsize();
    EXPECT_EQ(depth, 20);
    EXPECT_EQ(swidth, 78);
}

TEST_F(FullWire, SizeReportResizesAndRedraws) {
    keys("\x1b[8;30;100tq");
    fetchchar();
    EXPECT_EQ(type, C_LETTER);
    EXPECT_EQ(holdch, 'q');
    EXPECT_EQ(depth, 26);
    EXPECT_EQ(swidth, 98);
    EXPECT_EQ(windowend, 27);
    const auto lines = WireCapture::lines();
    auto has = [&](const std::string& l) { return std::find(lines.begin(), lines.end(), l) != lines.end(); };
    EXPECT_TRUE(has("$X"));
    EXPECT_TRUE(has("$W"));
    EXPECT_TRUE(has("$TL27")); // the new last text row
    EXPECT_TRUE(has("$p2,2")); // column 1 of the text stands at screen column 2
}

TEST_F(FullWire, BrokenSizeReportIsDropped) {
    // The report ends at the first byte that does not belong to it.
    keys("\x1b[8;30xq");
    fetchchar();
    EXPECT_EQ(holdch, 'q');
    EXPECT_EQ(depth, 20);
    EXPECT_EQ(WireCapture::wire, "");
}

TEST_F(FullWire, DefaultStreamTakesNoSizeReport) {
    wirefull = 0;
    keys("\x1b[8;30;100t");
    std::string typed;
    for (int i = 0; i < 7; ++i) {
        fetchchar();
        typed += static_cast<char>(holdch);
    }
    EXPECT_EQ(typed, "30;100t"); // ESC [ 8 ; is a key without a code
    EXPECT_EQ(depth, 20);
    EXPECT_EQ(WireCapture::wire, "");
}

// A text line that reads like a message must not be taken for one: on the
// full stream program output is framed line by line, whatever it holds.
const oxatest::Lines speaking = {"$p3,2147483647", "$$$", "plain", "$TL2,x"};

TEST_F(FullWire, EmitFramesEveryLine) {
    oxatest::fill(2, speaking);
    visible = 0; // EMIT output is not display output
    param[1] = 2;
    param[2] = param[3] = param[4] = 0;
    emit();
    EXPECT_EQ(WireCapture::wire, "$o$p3,2147483647\r\n$o$$$\r\n$oplain\r\n$o$TL2,x\r\n$$$\r\n");
    // Read back, every line is output and the end marker ends it.
    const auto lines = WireCapture::lines();
    ASSERT_EQ(lines.size(), speaking.size() + 1);
    for (size_t i = 0; i < speaking.size(); ++i) {
        const term::message m = term::parsemessage(lines[i]);
        EXPECT_EQ(m.kind, wire::kind::output);
        EXPECT_EQ(m.text, speaking[i]);
    }
    EXPECT_EQ(term::parsemessage(lines.back()).kind, wire::kind::emitend);
}

TEST_F(FullWire, DefaultStreamEmitsTheLinesAsTheyAre) {
    wirefull = 0;
    oxatest::fill(2, speaking);
    param[1] = 2;
    param[2] = param[3] = param[4] = 0;
    testing::internal::CaptureStdout();
    emit();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "$p3,2147483647\n$$$\nplain\n$TL2,x\n$$$\r\n");
    EXPECT_EQ(WireCapture::wire, "");
}

TEST_F(FullWire, OutputLinesAreFramedAcrossPieces) {
    const struct {
        std::vector<std::string> pieces;
        const char* wire;
    } cases[] = {
        // pieces written, the wire after the end of the output
        {{"one\r\ntwo\n"}, "$oone\r\n$otwo\r\n"},
        {{"$p3,", "2147483647\nta", "il"}, "$o$p3,2147483647\r\n$otail\r\n"},
        {{"\r\n\nType [return] to continue\r"}, "$o\r\n$o\r\n$oType [return] to continue\r\n"},
        {{"a\rb\n"}, "$oa\rb\r\n"}, // only the CR before the line end is framing
        {{""}, ""},
    };
    for (const auto& c : cases) {
        WireCapture::clear();
        for (const auto& p : c.pieces)
            putoutput(p.data(), p.size());
        endoutput();
        EXPECT_EQ(WireCapture::wire, c.wire) << c.pieces.front();
    }
}

TEST_F(FullWire, ShellCommandOutputIsFramed) {
    const int status = runshell(COMMANDFLAG, "printf '$p3,1\\n$$$\\nno end'");
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(WireCapture::wire, "$o$p3,1\r\n$o$$$\r\n$ono end\r\n");
}

// A program left running in the background holds the pipe open; the shell's
// end is enough to go on.
TEST_F(FullWire, ShellCommandEndsWithoutItsBackgroundChildren) {
    const int status = runshell(COMMANDFLAG, "echo started; sleep 5 & exit 3");
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 3);
    EXPECT_EQ(WireCapture::wire, "$ostarted\r\n");
}

} // namespace fullwire_test
} // namespace oxa
