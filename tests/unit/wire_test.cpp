// The wire table: the editor's transmitter and oxa-term's reader agree on
// every row of it.
#include "editor/frontend.hpp"
#include "editor/resetall.hpp"
#include "term/message.hpp"
#include "wire/protocol.hpp"
#include "wire_capture.hpp"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace oxa {
namespace wire_test {

using oxatest::WireCapture;

// Fields that fit each shape, and what a reader takes from them.
struct sample {
    const char* fields;
    int32_t row, col, len;
    const char* text;
};
sample sampleof(wire::shape s) {
    switch (s) {
    case wire::shape::none: return {"", 0, 0, 0, ""};
    case wire::shape::onechar: return {"x", 0, 0, 0, "x"};
    case wire::shape::twochars: return {"*I", 0, 0, 0, "*I"};
    case wire::shape::text: return {"some $p1,1 text", 0, 0, 0, "some $p1,1 text"};
    case wire::shape::rowflags: return {"3, +", 3, 0, 0, " +"};
    case wire::shape::rowtext: return {"3,a row", 3, 0, 0, "a row"};
    case wire::shape::field: return {"4,10,5,ab", 4, 10, 5, "ab"};
    case wire::shape::position: return {"21,80", 21, 80, 0, ""};
    }
    return {"", 0, 0, 0, ""};
}

TEST(WireTable, CodesAreUniqueAndEveryKindHasItsRows) {
    std::set<std::string> codes;
    std::set<wire::kind> kinds;
    for (const wire::message& m : wire::messages) {
        SCOPED_TRACE(m.code);
        EXPECT_TRUE(codes.insert(m.code).second) << "code twice";
        kinds.insert(m.what);
        // Only the message line's rows share a kind.
        if (m.what != wire::kind::status) {
            EXPECT_EQ(&wire::row(m.what), &m);
        }
        // A family has a sub-code in every row or in none, so that the first
        // bytes of a line pick one row.
        if (m.code[0] == '$' && m.where != wire::stream::direct) {
            EXPECT_EQ(wire::subcode(m) != '\0', wire::hassub(wire::family(m)));
        }
    }
    EXPECT_EQ(kinds.size(), static_cast<size_t>(wire::kind::emitline) + 1);
}

// Each row composed with fields of its shape: the default stream passes the
// fields alone or nothing, the full stream the whole message, and oxa-term
// reads it back as the row's kind.
TEST(WireTable, TransmitterAndReaderAgreeOnEveryRow) {
    for (const wire::message& m : wire::messages) {
        if (m.where != wire::stream::both && m.where != wire::stream::full) continue;
        const sample s = sampleof(m.fields);
        const std::string line = std::string(m.code) + s.fields;
        SCOPED_TRACE(line);

        resetall();
        WireCapture::install();
        xvtrace = nullptr;
        xvtransmit(line.c_str());
        EXPECT_EQ(WireCapture::wire, m.where == wire::stream::both ? std::string(s.fields) + "\r\n" : "");

        wirefull = 1;
        WireCapture::clear();
        xvtransmit(line.c_str());
        EXPECT_EQ(WireCapture::wire, line + "\r\n");

        const term::message r = term::parsemessage(line);
        EXPECT_EQ(r.kind, m.what);
        EXPECT_EQ(r.sub, m.what == wire::kind::status ? wire::subcode(m) : '\0');
        EXPECT_EQ(r.row, s.row);
        EXPECT_EQ(r.col, s.col);
        EXPECT_EQ(r.len, s.len);
        EXPECT_EQ(r.text, s.text);
        // One byte more than the shape allows makes it no message.
        if (m.fields == wire::shape::none || m.fields == wire::shape::onechar ||
            m.fields == wire::shape::twochars || m.fields == wire::shape::position) {
            EXPECT_EQ(term::parsemessage(line + "z").kind, wire::kind::emitline);
        }
    }
    resetfrontend();
}

// Codes outside the table: the default stream drops them; the full stream
// passes an unknown sub-code of a known family whole, as it always has, and
// drops unknown families, the output frame and the EMIT end marker, which no
// composer may send through the transmitter.
TEST(WireTable, CodesOutsideTheTable) {
    const struct {
        const char* line;
        const char* full;
        wire::kind read; // what oxa-term takes the line for
    } cases[] = {
        // line, full stream, read as
        {"$q1", "", wire::kind::emitline},
        {"$o framed only around output", "", wire::kind::output},
        {"$$$", "", wire::kind::emitend},
        {"$Cz", "$Cz\r\n", wire::kind::emitline},
        {"$mZtext", "$mZtext\r\n", wire::kind::emitline},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        for (int32_t full : {0, 1}) {
            resetall();
            WireCapture::install();
            xvtrace = nullptr;
            wirefull = full;
            xvtransmit(c.line);
            EXPECT_EQ(WireCapture::wire, full ? c.full : "");
        }
        EXPECT_EQ(term::parsemessage(c.line).kind, c.read);
    }
    resetfrontend();
}

} // namespace wire_test
} // namespace oxa
