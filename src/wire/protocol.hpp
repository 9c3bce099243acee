// The wire between the editor and a front end, in one table: every message
// the editor composes, the fields that follow its code, and which stream
// carries it.  The editor's composers and transmitter (editor/frontend.cpp)
// and oxa-term's reader (term/message.cpp) are both built from it, and
// docs/protocol.md is generated from it.
//
// A message is one line: `$`, a family character, for some families a
// sub-code, then its fields.  The default stream passes only the messages
// marked `both`, without `$` and code, each followed by CR LF.  The full
// stream (OXA_WIRE=full) passes every message of a known family whole,
// followed by CR LF, and frames each line of program output (EMIT, shell
// commands) as an `output` message so that no text can pass for a message.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace oxa::wire {

// What a reader makes of a line: one kind per row, except that the message
// line's rows (family m) are all `status`, told apart by their sub-code.
enum class kind : uint8_t {
    textcursoron,
    textcursoroff,
    cmdcursoron,
    cmdcursoroff,
    cmdchar,
    cmdback,
    cmdclear,
    cmdline,
    redraw,
    clearwindow,
    cleartext,
    rowflags,
    row,
    field,
    lineflags,
    echo,
    cursor,
    bell,
    errorwait,
    errordone,
    status,
    output,   // a framed line of program output (full stream)
    emitend,  // the end of EMIT output
    emitline, // a line that is no message: unframed program output
};

// What follows the code.
enum class shape : uint8_t {
    none,     // nothing
    onechar,  // exactly one byte
    twochars, // exactly two bytes
    text,     // any bytes to the end of the line
    rowflags, // <row>,<flag><flag>
    rowtext,  // <row> alone (an empty row) or <row>,<text>
    field,    // <row>,<column>,<length>,<text>
    position, // <row>,<column>
};

// Which stream carries the message.
enum class stream : uint8_t {
    both,   // default stream (text only) and full stream (whole)
    full,   // full stream only
    framed, // full stream only, around each line of program output
    direct, // written as it is outside the transmitter, on both streams
};

struct message {
    kind what;
    const char* code; // `$`, family, sub-code if any
    shape fields;
    stream where;
    const char* meaning;
};

constexpr std::array<message, 39> messages = {{
    // kind, code, fields, stream, meaning
    {kind::textcursoron, "$+", shape::none, stream::full, "text cursor on (before each read of a key)"},
    {kind::textcursoroff, "$-", shape::none, stream::full, "text cursor off (after each read)"},
    {kind::cmdcursoron, "$C+", shape::none, stream::full, "command-line cursor on"},
    {kind::cmdcursoroff, "$C-", shape::none, stream::full, "command-line cursor off"},
    {kind::cmdchar, "$Cc", shape::onechar, stream::both, "one character added to the command line"},
    {kind::cmdback, "$Cb", shape::none, stream::both, "delete the last character of the command line"},
    {kind::cmdclear, "$Cx", shape::none, stream::full, "clear the command line"},
    {kind::cmdline, "$CL", shape::text, stream::both, "write this text as the command line"},
    {kind::redraw, "$X", shape::none, stream::full, "begin a full redraw"},
    {kind::clearwindow, "$W", shape::none, stream::full, "clear the whole window"},
    {kind::cleartext, "$Tx", shape::none, stream::full, "clear the text area"},
    {kind::rowflags, "$TF", shape::rowflags, stream::full, "the two flag characters of a screen row"},
    {kind::row, "$TL", shape::rowtext, stream::full, "a screen row's text (none: the row is empty)"},
    {kind::field, "$TR", shape::field, stream::full, "a record field at row and column, padded to its length"},
    {kind::lineflags, "$Tf", shape::twochars, stream::full, "flags of the current line: `*` starred, `I` incompatible"},
    {kind::echo, "$c", shape::onechar, stream::both, "one character typed at the cursor"},
    {kind::cursor, "$p", shape::position, stream::full, "the cursor's screen row and column"},
    {kind::bell, "$b", shape::none, stream::full, "ring the bell"},
    {kind::errorwait, "$e+", shape::none, stream::full, "an error is shown; the editor waits for return or rubout"},
    {kind::errordone, "$e-", shape::none, stream::full, "the wait for the reply has ended"},
    {kind::status, "$mm", shape::text, stream::both, "the mode or prompt word, eight characters"},
    {kind::status, "$me", shape::text, stream::both, "an error message"},
    {kind::status, "$mh", shape::text, stream::both, "a progress or help message (empty: clear the help line)"},
    {kind::status, "$mn", shape::text, stream::both, "the file name of the current corefile"},
    {kind::status, "$mv", shape::text, stream::full, "the object type's label, eight characters, or `FULL`"},
    {kind::status, "$mw", shape::text, stream::full, "the current corefile number (two columns)"},
    {kind::status, "$mr", shape::text, stream::full, "the current line number (five columns)"},
    {kind::status, "$mc", shape::text, stream::full, "the current column (five columns)"},
    {kind::status, "$ml", shape::text, stream::full, "the number of lines"},
    {kind::status, "$mt", shape::text, stream::full, "the margins and tabs ruler"},
    {kind::status, "$mi", shape::text, stream::both, "the result of the last find, check or count"},
    {kind::status, "$mf", shape::text, stream::both, "the evaluator's result or error"},
    {kind::status, "$mb", shape::text, stream::both, "the record checks: `ERR` failed ones (a reply follows), `CH` those in force"},
    {kind::status, "$mM", shape::text, stream::both, "the colour of the formula cursor"},
    {kind::status, "$mU", shape::text, stream::both, "input has returned from a driver program to the keyboard"},
    {kind::status, "$mV", shape::text, stream::full, "a loaded language file: one slot character, then its name"},
    {kind::output, "$o", shape::text, stream::framed, "one line of EMIT or shell-command output, as it was written"},
    {kind::emitend, "$$$", shape::none, stream::direct, "the end of EMIT output"},
    {kind::emitline, "", shape::text, stream::direct, "a line that is no message: program output as written (default stream)"},
}};

constexpr char family(const message& m) { return m.code[0] == '$' ? m.code[1] : '\0'; }
constexpr char subcode(const message& m) { return m.code[0] == '$' && m.code[1] ? m.code[2] : '\0'; }

namespace detail {
struct codeinfo {
    // Per family byte: known (the full stream passes it), has sub-codes,
    // some of it passes the default stream.
    std::array<uint8_t, 256> family{};
    // Per family byte with sub-codes (or without, at index 0): which sub-code
    // bytes (0..127) the default stream passes.
    std::array<std::array<uint64_t, 2>, 256> passed{};
};
constexpr uint8_t KNOWN = 1, HASSUB = 2, ANYPASSED = 4;

constexpr codeinfo makecodeinfo() {
    codeinfo t{};
    for (const message& m : messages) {
        if (m.where != stream::both && m.where != stream::full) continue;
        const auto f = static_cast<unsigned char>(family(m));
        const auto s = static_cast<unsigned char>(subcode(m));
        t.family[f] |= KNOWN;
        if (s != 0) t.family[f] |= HASSUB;
        if (m.where == stream::both) {
            t.family[f] |= ANYPASSED;
            t.passed[f][s >> 6] |= uint64_t{1} << (s & 63);
        }
    }
    return t;
}
inline constexpr codeinfo codes = makecodeinfo();
} // namespace detail

// The full stream passes a message whose family is known.
constexpr bool known(char f) { return detail::codes.family[static_cast<unsigned char>(f)] & detail::KNOWN; }
// The family's messages carry a sub-code after the family character.
constexpr bool hassub(char f) { return detail::codes.family[static_cast<unsigned char>(f)] & detail::HASSUB; }
// Some message of the family reaches the default stream.
constexpr bool anypassed(char f) {
    return detail::codes.family[static_cast<unsigned char>(f)] & detail::ANYPASSED;
}
// The default stream passes the message of this family and sub-code (0 for
// a family without sub-codes).
constexpr bool passed(char f, char sub) {
    const auto s = static_cast<unsigned char>(sub);
    if (s > 127) return false;
    const auto& bits = detail::codes.passed[static_cast<unsigned char>(f)];
    return (bits[s >> 6] >> (s & 63)) & 1;
}

// The row of a kind that has one row (every kind but `status`).
constexpr const message& row(kind k) {
    for (const message& m : messages)
        if (m.what == k) return m;
    return messages.back();
}
// The code of a kind that has one row, for composing: "$TL", "$Cx".
constexpr const char* code(kind k) { return row(k).code; }

// The family of the message line's rows.
constexpr char STATUS = family(row(kind::status));

// The code of the message line's row with this sub-code: "$mh".  Only
// sub-codes of the table compile.
consteval const char* status(char sub) {
    for (const message& m : messages)
        if (m.what == kind::status && subcode(m) == sub) return m.code;
    throw "no message-line row with this sub-code";
}

// The row that a line starting with `$`, family f and then byte s is read
// by; null when none is.  A family with sub-codes needs one of its own.
constexpr const message* find(char f, char s) {
    for (const message& m : messages) {
        if (m.code[0] != '$' || family(m) != f) continue;
        const char sub = subcode(m);
        if (sub == '\0' || (sub == s && s != '\0')) return &m;
    }
    return nullptr;
}

} // namespace oxa::wire
