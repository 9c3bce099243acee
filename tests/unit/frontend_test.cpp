// The front-end protocol: the transmitter's pass rule and framing, the
// message composers, the status cache, the shadow command line and outtran.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "editor/editloop.hpp"
#include "editor/frontend.hpp"
#include "editor/input.hpp"
#include "editor/paint.hpp"
#include "editor/resetall.hpp"
#include "editor/store.hpp"
#include "wire_capture.hpp"

namespace frontend_test {

using namespace oxa;
using oxatest::WireCapture;

class Frontend : public ::testing::Test {
  protected:
    void SetUp() override {
        resetall();
        WireCapture::install();
    }
    void TearDown() override { resetfrontend(); }
};

struct WireCase {
    const char* msg;
    const char* wire; // "" when the transmitter drops the message
};

// Every family and sub-code of the vocabulary, passed or dropped.
const WireCase wirecases[] = {
    {"$+", ""},
    {"$-", ""},
    {"$C+", ""},
    {"$C-", ""},
    {"$CcF", "F\r\n"},
    {"$Cc ", " \r\n"},
    {"$Cb", "\r\n"},
    {"$Cx", ""},
    {"$CL = 42", " = 42\r\n"},
    {"$CLFE", "FE\r\n"},
    {"$X", ""},
    {"$W", ""},
    {"$Tx", ""},
    {"$TF3, +", ""},
    {"$TL3", ""},
    {"$TL3,some text", ""},
    {"$TL2", ""},
    {"$TR3,2,5,abc", ""},
    {"$Tf*I", ""},
    {"$ca", "a\r\n"},
    {"$c$", "$\r\n"},
    {"$p3,4", ""},
    {"$b", ""},
    {"$e+", ""},
    {"$e-", ""},
    {"$mmCommand ", "Command \r\n"},
    {"$meFile not found (or no read permission)", "File not found (or no read permission)\r\n"},
    {"$mhworking", "working\r\n"},
    {"$mh", "\r\n"},
    {"$mnletter.txt", "letter.txt\r\n"},
    {"$mvTEXT    ", ""},
    {"$mw 1", ""},
    {"$mr    1", ""},
    {"$mc    1", ""},
    {"$ml1", ""},
    {"$mt<.......!", ""},
    {"$mi3", "3\r\n"},
    {"$mf1.5", "1.5\r\n"},
    {"$mbERR 010", "ERR 010\r\n"},
    {"$mbCH 101", "CH 101\r\n"},
    {"$mMRED", "RED\r\n"},
    {"$mU###", "###\r\n"},
    {"$mVasyntax.txt", ""},
    {"$tx", ""},
    {"GREEN 3 4", ""},
    {"xcQ", "Q\r\n"}, // the first character is skipped whatever it is
    {"$Z", ""},
    {"$m", ""},
    {"$C", ""},
    {"$", ""},
    {"", ""},
};

TEST_F(Frontend, TransmitterPassesOnlyCommandAndMessageLines) {
    for (const WireCase& c : wirecases) {
        WireCapture::clear();
        xvtransmit(c.msg);
        EXPECT_EQ(WireCapture::wire, c.wire) << "message \"" << c.msg << "\"";
    }
}

TEST_F(Frontend, InvisibleTransmitterSendsNothing) {
    visible = 0;
    for (const WireCase& c : wirecases)
        xvtransmit(c.msg);
    putstring("an error", 'e');
    putcmdlett('F');
    putch('a');
    progress("busy");
    EXPECT_EQ(WireCapture::wire, "");
    EXPECT_TRUE(WireCapture::msgs.empty());
    visible = 1;
    xvtransmit("$ca");
    EXPECT_EQ(WireCapture::wire, "a\r\n");
}

TEST_F(Frontend, PutstringComposesCodeAndText) {
    putstring("Filename", 'm');
    putstring("", 'h');
    ASSERT_EQ(WireCapture::msgs.size(), 2u);
    EXPECT_EQ(WireCapture::msgs[0], "$mmFilename");
    EXPECT_EQ(WireCapture::msgs[1], "$mh");
    EXPECT_EQ(WireCapture::lines(), (std::vector<std::string>{"Filename", ""}));
}

TEST_F(Frontend, LongMessageIsCutToTheBuffer) {
    const std::string text(3000, 'x');
    putstring(text.c_str(), 'e');
    // "$me" and the NUL leave 996 bytes of text in the 1000-byte buffer.
    EXPECT_EQ(WireCapture::lines(), std::vector<std::string>{std::string(996, 'x')});
}

TEST_F(Frontend, MessageComposedInTheBufferItselfIsShown) {
    std::snprintf(xvmsg.data(), xvmsg.size(), "corefile %d not saved", 3);
    putstring(xvmsg.data(), 'h');
    EXPECT_EQ(WireCapture::lines(), std::vector<std::string>{"corefile 3 not saved"});
}

// Without a trace the default stream sends a message's text straight away;
// the bytes are those that composing and transmitting it send.
TEST_F(Frontend, UntracedMessagesSendWhatComposingSends) {
    const std::string longtext(3000, 'y');
    struct Case {
        char code;
        const char* text;
    };
    const Case cases[] = {
        {'m', "Command "}, {'h', "Expanding Root"}, {'e', "an error"}, {'h', ""},
        {'h', nullptr},    {'e', longtext.c_str()}, {'v', "TEXT    "}, {'w', " 1"},
        {'t', "<....!"},   {'M', "RED"},            {'U', "###"},      {'n', "letter.txt"},
    };
    for (const Case& c : cases) {
        WireCapture::clear();
        putstring(c.text, c.code);
        const std::string traced = WireCapture::wire;
        WireCapture::clear();
        xvtrace = nullptr;
        putstring(c.text, c.code);
        xvtrace = WireCapture::trace;
        EXPECT_EQ(WireCapture::wire, traced) << "code " << c.code;
    }
    // A text composed in the message buffer itself.
    xvtrace = nullptr;
    WireCapture::clear();
    std::snprintf(xvmsg.data(), xvmsg.size(), "corefile %d not saved", 3);
    putstring(xvmsg.data(), 'h');
    EXPECT_EQ(WireCapture::wire, "corefile 3 not saved\r\n");
}

TEST_F(Frontend, ProgressStaysUntilClearhelp) {
    progress("Loading");
    EXPECT_EQ(bhelp, 1);
    clearhelp();
    EXPECT_EQ(bhelp, 0);
    clearhelp(); // nothing to clear: nothing sent
    EXPECT_EQ(WireCapture::lines(), (std::vector<std::string>{"Loading", ""}));
}

TEST_F(Frontend, CursorAndZoneMessages) {
    txtcur();
    rmtxtcur();
    cmdcur();
    rmcmdcur();
    clrtextzone();
    postcur(7, 3);
    ibeep();
    EXPECT_EQ(WireCapture::msgs,
              (std::vector<std::string>{"$+", "$-", "$C+", "$C-", "$Tx", "$p3,7", "$b"}));
    EXPECT_EQ(WireCapture::wire, "");
}

TEST_F(Frontend, CommandLettersGoToWireAndShadowLine) {
    putcmdlett('C');
    putcmdlett('O');
    backspace();
    putcmdlett('R');
    EXPECT_EQ(WireCapture::lines(), (std::vector<std::string>{"C", "O", "", "R"}));
    EXPECT_EQ(shadow_ptr, 2);
    EXPECT_STREQ(shadow_cmdline.data(), "CR");
}

TEST_F(Frontend, ShadowLineIsBoundedAtBothEnds) {
    backspace();
    EXPECT_EQ(shadow_ptr, 0);
    WireCapture::clear();
    for (int i = 0; i < 300; ++i)
        putcmdlett('A' + i % 26);
    EXPECT_EQ(shadow_ptr, SHADOWSIZE - 1);
    EXPECT_EQ(std::strlen(shadow_cmdline.data()), static_cast<size_t>(SHADOWSIZE - 1));
    EXPECT_EQ(WireCapture::lines().size(), 300u); // every letter still reaches the front end
    shadow_ptr = 0;
    shadowappend(" = 12");
    EXPECT_STREQ(shadow_cmdline.data(), " = 12");
    shadowappend(std::string(400, 'z').c_str());
    EXPECT_EQ(shadow_ptr, SHADOWSIZE - 1);
}

struct TranCase {
    int stored;
    int sent;
};

TEST_F(Frontend, OuttranInitialValues) {
    const TranCase cases[] = {
        {0, '~'},   {9, '~'},   {14, '~'},  {15, 238},  {16, 229},  {17, 243},  {18, 247},
        {19, '~'},  {20, 232},  {21, 246},  {22, 227},  {23, 195},  {24, 196},  {25, 194},
        {26, 193},  {27, 211},  {28, 206},  {29, 197},  {30, 215},  {31, '~'},  {32, ' '},
        {'A', 'A'}, {'|', '|'}, {126, 126}, {127, '~'}, {128, '~'}, {172, '~'}, {173, '-'},
        {174, '~'}, {191, '~'}, {192, 192}, {233, 233}, {254, 254}, {255, '~'},
    };
    for (const TranCase& c : cases)
        EXPECT_EQ(outtran[c.stored], c.sent) << "byte " << c.stored;
}

TEST_F(Frontend, PutchEchoesThroughOuttran) {
    putch('a');
    putch(15);          // an accent byte: sent as its letter
    putch(200);         // a Latin-1 letter: unchanged
    putch(127);         // no glyph
    outtran['q'] = 'Q'; // what the FONT command does
    putch('q');
    EXPECT_EQ(WireCapture::lines(), (std::vector<std::string>{"a", "\xEE", "\xC8", "~", "Q"}));
    resetfrontend();
    EXPECT_EQ(outtran['q'], 'q');
}

TEST_F(Frontend, FullStreamSendsTheBytesTheDefaultShowsAsTilde) {
    outtran[0x85] = '.'; // FONT wins on either stream
    const struct {
        int stored, sentdefault, sentfull;
    } cases[] = {
        {0x9C, '~', 0x9C}, {0x80, '~', 0x80}, {0xAB, '~', 0xAB}, {0xB0, '~', 0xB0},
        {173, '-', 173},   {0x85, '.', '.'},  {15, 238, 238},    {127, '~', '~'},
        {255, '~', '~'},   {1, '~', '~'},     {'a', 'a', 'a'},   {0xE9, 0xE9, 0xE9},
    };
    for (const auto& c : cases) {
        wirefull = 0;
        EXPECT_EQ(wirechar(static_cast<unsigned char>(c.stored)), c.sentdefault) << c.stored;
        wirefull = 1;
        EXPECT_EQ(wirechar(static_cast<unsigned char>(c.stored)), c.sentfull) << c.stored;
    }
    resetfrontend();
}

TEST_F(Frontend, ViewsRowIsObjectType) {
    for (size_t i = 0; i < views.size(); ++i) {
        EXPECT_EQ(views[i].type, static_cast<int32_t>(i));
        EXPECT_EQ(std::strlen(views[i].label), 8u);
    }
}

TEST_F(Frontend, PutresultSendsTheValue) {
    putresult(0);
    putresult(-4);
    putresult(12345);
    EXPECT_EQ(WireCapture::lines(), (std::vector<std::string>{"0", "-4", "12345"}));
}

TEST_F(Frontend, PutfloatFormatsOrReportsTheError) {
    struct {
        double value;
        int32_t error;
        const char* line;
    } cases[] = {
        {1.5, 0, "1.5"},
        {-2, 0, "-2"},
        {1e20, 0, "1'+20"},
        {0.000012345678912, 0, "1.2345679'-05"},
        {123456789.0, 0, "1.2345679'+08"},
        {7, 1, "FP Syntax Error"},
        {7, 2, "FP Overflow Error"},
    };
    for (const auto& c : cases) {
        WireCapture::clear();
        putfloat(c.value, c.error);
        EXPECT_EQ(WireCapture::lines(), std::vector<std::string>{c.line}) << c.value;
        ASSERT_FALSE(WireCapture::msgs.empty());
        EXPECT_EQ(WireCapture::msgs[0].substr(0, 3), "$mf");
    }
}

TEST_F(Frontend, DiserrWaitsForTheReply) {
    struct {
        const char* keys;
        int32_t del;
    } cases[] = {
        {"\r", 1},
        {"\x7f", 2},
        {"xy 3\r", 1}, // other keys are passed over
        {"\x1b[C\x7f\r", 2},
    };
    for (const auto& c : cases) {
        resetinput();
        WireCapture::clear();
        progress("busy");
        pushfn(c.keys);
        EXPECT_EQ(diserr("File not found (or no read permission)"), c.del) << c.keys;
        EXPECT_EQ(del, c.del);
        EXPECT_EQ(bhelp, 0);
        EXPECT_EQ(WireCapture::msgs,
                  (std::vector<std::string>{"$mhbusy", "$meFile not found (or no read permission)",
                                            "$e+", "$e-", "$mh"}));
        // On the wire: the message, then after the reply an empty line.
        EXPECT_EQ(WireCapture::lines(),
                  (std::vector<std::string>{"busy", "File not found (or no read permission)", ""}));
    }
}

TEST_F(Frontend, PutboolWithFailedChecksWaits) {
    pushfn("\x7f");
    putbool("0100", "1001");
    EXPECT_EQ(del, 2);
    EXPECT_EQ(WireCapture::lines(), (std::vector<std::string>{"ERR 0100", "CH 1001"}));
}

TEST_F(Frontend, PutboolWithoutFailedChecksSendsOnlyTheChecks) {
    putbool("000", "101");
    EXPECT_EQ(WireCapture::lines(), std::vector<std::string>{"CH 101"});
}

TEST_F(Frontend, PutstatsSendsOnlyWhatChanged) {
    COREFILE& c = cur();
    c.curline = 4;
    c.curcol = 12;
    c.lncount = 30;
    putstats();
    EXPECT_EQ(WireCapture::msgs,
              (std::vector<std::string>{"$mw 1", "$mr    4", "$mc   12", "$ml30", "$mvTEXT    "}));
    EXPECT_EQ(WireCapture::wire, ""); // the status fields do not reach the front end
    WireCapture::clear();
    putstats();
    EXPECT_TRUE(WireCapture::msgs.empty());
    c.curcol = 13;
    c.viewtype = 5;
    putstats();
    EXPECT_EQ(WireCapture::msgs, (std::vector<std::string>{"$mc   13", "$mvMATH    "}));
}

TEST_F(Frontend, PutstatsShowsFullOnceThenTheLabelAgain) {
    putstats();
    WireCapture::clear();
    full = 1;
    putstats();
    putstats();
    EXPECT_EQ(WireCapture::msgs, std::vector<std::string>{"$mvFULL    "});
    EXPECT_EQ(oldcoreview, -2);
    WireCapture::clear();
    full = 0;
    putstats();
    EXPECT_EQ(WireCapture::msgs, std::vector<std::string>{"$mvTEXT    "});
}

TEST_F(Frontend, PutstatsWhileInvisibleKeepsTheCache) {
    visible = 0;
    putstats();
    EXPECT_EQ(oldcore, -1);
    visible = 1;
    putstats();
    EXPECT_EQ(WireCapture::msgs.size(), 5u);
}

TEST_F(Frontend, PutfnameSendsTheFileName) {
    std::strcpy(cur().filname.data(), "notes.txt");
    putfname();
    cur().filname.fill('\0');
    putfname();
    EXPECT_EQ(WireCapture::lines(), (std::vector<std::string>{"notes.txt", ""}));
}

TEST_F(Frontend, FilenameFillingTheWholeBufferIsCut) {
    cur().filname.fill('n'); // no terminator at all
    putfname();
    EXPECT_EQ(WireCapture::lines(), std::vector<std::string>{std::string(FILNAMESIZE, 'n')});
}

TEST_F(Frontend, GendisResendsEverything) {
    putstats();
    WireCapture::clear();
    gendis();
    const auto& m = WireCapture::msgs;
    ASSERT_GE(m.size(), 4u);
    EXPECT_EQ(m[0], "$X");
    EXPECT_EQ(m[1], "$W");
    EXPECT_EQ(m[2], "$mw 1"); // the status cache was cleared
    // Every text row is repainted: flags and an empty row for rows 2..21.
    for (int row = windowtop; row <= windowend; ++row) {
        const std::string flags = "$TF" + std::to_string(row) + ",  ";
        const std::string empty = "$TL" + std::to_string(row);
        EXPECT_NE(std::find(m.begin(), m.end(), flags), m.end()) << flags;
        EXPECT_NE(std::find(m.begin(), m.end(), empty), m.end()) << empty;
    }
    EXPECT_EQ(std::find(m.begin(), m.end(), "$Cx"), m.end()); // not in command mode
    EXPECT_EQ(redisplay, RP_NONE);
}

TEST_F(Frontend, GendisInCommandModeResendsTheCommandLine) {
    mode = 0;
    putcmdlett('E');
    putcmdlett('V');
    WireCapture::clear();
    gendis();
    const auto& m = WireCapture::msgs;
    ASSERT_GE(m.size(), 2u);
    EXPECT_EQ(m[m.size() - 2], "$Cx");
    EXPECT_EQ(m[m.size() - 1], "$CLEV");
    const auto lines = WireCapture::lines();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back(), "EV");
}

} // namespace frontend_test
