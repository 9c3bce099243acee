// oxa-term: reading the full message stream.
#include "term/message.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace oxa::term {
namespace term_message_test {

TEST(TermMessage, EveryFamily) {
    const struct {
        const char* line;
        msgkind kind;
        char sub;
        int32_t row, col, len;
        const char* text;
    } cases[] = {
        // line, kind, sub-code, row, column, length, text
        {"$+", msgkind::textcursoron, 0, 0, 0, 0, ""},
        {"$-", msgkind::textcursoroff, 0, 0, 0, 0, ""},
        {"$C+", msgkind::cmdcursoron, 0, 0, 0, 0, ""},
        {"$C-", msgkind::cmdcursoroff, 0, 0, 0, 0, ""},
        {"$CcF", msgkind::cmdchar, 0, 0, 0, 0, "F"},
        {"$Cc ", msgkind::cmdchar, 0, 0, 0, 0, " "},
        {"$Cb", msgkind::cmdback, 0, 0, 0, 0, ""},
        {"$Cx", msgkind::cmdclear, 0, 0, 0, 0, ""},
        {"$CLFETCH a.txt", msgkind::cmdline, 0, 0, 0, 0, "FETCH a.txt"},
        {"$CL", msgkind::cmdline, 0, 0, 0, 0, ""},
        {"$X", msgkind::redraw, 0, 0, 0, 0, ""},
        {"$W", msgkind::clearwindow, 0, 0, 0, 0, ""},
        {"$Tx", msgkind::cleartext, 0, 0, 0, 0, ""},
        {"$TF12,-+", msgkind::rowflags, 0, 12, 0, 0, "-+"},
        {"$TF3,  ", msgkind::rowflags, 0, 3, 0, 0, "  "},
        {"$TL7", msgkind::row, 0, 7, 0, 0, ""},
        {"$TL7,", msgkind::row, 0, 7, 0, 0, ""},
        {"$TL2,a, b $p1,1", msgkind::row, 0, 2, 0, 0, "a, b $p1,1"},
        {"$TR4,10,5,ab|c", msgkind::field, 0, 4, 10, 5, "ab|c"},
        {"$Tf*I", msgkind::lineflags, 0, 0, 0, 0, "*I"},
        {"$c\xe9", msgkind::echo, 0, 0, 0, 0, "\xe9"},
        {"$p21,80", msgkind::cursor, 0, 21, 80, 0, ""},
        {"$b", msgkind::bell, 0, 0, 0, 0, ""},
        {"$e+", msgkind::errorwait, 0, 0, 0, 0, ""},
        {"$e-", msgkind::errordone, 0, 0, 0, 0, ""},
        {"$mr    3", msgkind::status, 'r', 0, 0, 0, "    3"},
        {"$mmFilename", msgkind::status, 'm', 0, 0, 0, "Filename"},
        {"$meFile not found (or no read permission)", msgkind::status, 'e', 0, 0, 0,
         "File not found (or no read permission)"},
        {"$mh", msgkind::status, 'h', 0, 0, 0, ""},
        {"$mV3fr.lex", msgkind::status, 'V', 0, 0, 0, "3fr.lex"},
        {"$$$", msgkind::emitend, 0, 0, 0, 0, ""},
        // Not messages, or messages with broken numbers: lines of EMIT output.
        {"plain text", msgkind::emitline, 0, 0, 0, 0, "plain text"},
        {"", msgkind::emitline, 0, 0, 0, 0, ""},
        {"$", msgkind::emitline, 0, 0, 0, 0, "$"},
        {"$q1", msgkind::emitline, 0, 0, 0, 0, "$q1"},
        {"$TLx,abc", msgkind::emitline, 0, 0, 0, 0, "$TLx,abc"},
        {"$TL3abc", msgkind::emitline, 0, 0, 0, 0, "$TL3abc"},
        {"$TF3,+", msgkind::emitline, 0, 0, 0, 0, "$TF3,+"},
        {"$TR4,10,abc", msgkind::emitline, 0, 0, 0, 0, "$TR4,10,abc"},
        {"$p3", msgkind::emitline, 0, 0, 0, 0, "$p3"},
        {"$p3,4x", msgkind::emitline, 0, 0, 0, 0, "$p3,4x"},
        {"$p-3,1", msgkind::cursor, 0, -3, 1, 0, ""},
        {"$p+3,1", msgkind::emitline, 0, 0, 0, 0, "$p+3,1"},
        // A number beyond any screen is held at a million, never overflows.
        {"$p99999999999,1", msgkind::cursor, 0, 1000000, 1, 0, ""},
        {"$p-99999999999,1", msgkind::cursor, 0, -1000000, 1, 0, ""},
        {"$TR2,2147483647,99999999999999999999,x", msgkind::field, 0, 2, 1000000, 1000000, "x"},
        {"$CcAB", msgkind::emitline, 0, 0, 0, 0, "$CcAB"},
        {"$Xtra", msgkind::emitline, 0, 0, 0, 0, "$Xtra"},
        {"$e", msgkind::emitline, 0, 0, 0, 0, "$e"},
        {"$m", msgkind::emitline, 0, 0, 0, 0, "$m"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        const message m = parsemessage(c.line);
        EXPECT_EQ(m.kind, c.kind);
        EXPECT_EQ(m.sub, c.sub);
        EXPECT_EQ(m.row, c.row);
        EXPECT_EQ(m.col, c.col);
        EXPECT_EQ(m.len, c.len);
        EXPECT_EQ(m.text, c.text);
    }
}

TEST(TermMessage, SplitterKeepsPartialLinesAndOnlyTheFramingCR) {
    linesplitter s;
    std::vector<std::string> lines;
    const std::string stream = "$TL2,ab\r\n$Cc\r\r\nno cr\n$p2";
    // Fed one byte at a time, as a pipe may deliver it.
    for (char c : stream)
        s.feed(&c, 1, lines);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], "$TL2,ab");
    EXPECT_EQ(lines[1], "$Cc\r"); // the command line got a return
    EXPECT_EQ(lines[2], "no cr");
    EXPECT_EQ(s.partial(), "$p2");
    s.feed(",5\r\n", 4, lines);
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[3], "$p2,5");
    EXPECT_EQ(parsemessage(lines[1]).kind, msgkind::cmdchar);
}

} // namespace term_message_test
} // namespace oxa::term
