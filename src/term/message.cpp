// Reading the editor's full message stream.
#include "term/message.hpp"

#include <algorithm>

namespace oxa::term {

namespace {

// Reads a decimal number (leading blanks allowed, as in "$mr%5d") at the
// front of s; moves s past it.  Only digits are read, and a value beyond any
// screen position is held at LARGEST: the screen clamps every position and
// length, and no number from the wire can overflow on its way there.
bool number(std::string_view& s, int32_t& out) {
    constexpr int32_t LARGEST = 1000000;
    size_t i = 0;
    while (i < s.size() && s[i] == ' ')
        ++i;
    const size_t first = i;
    int32_t n = 0;
    for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i)
        n = std::min(n * 10 + (s[i] - '0'), LARGEST);
    if (i == first) return false;
    out = n;
    s.remove_prefix(i);
    return true;
}

// Expects the character c at the front of s and moves past it.
bool expect(std::string_view& s, char c) {
    if (s.empty() || s.front() != c) return false;
    s.remove_prefix(1);
    return true;
}

message text(msgkind kind, std::string_view rest) {
    message m;
    m.kind = kind;
    m.text = std::string(rest);
    return m;
}

message emit(std::string_view line) {
    return text(msgkind::emitline, line);
}

message parseC(std::string_view line, std::string_view rest) {
    if (rest.empty()) return emit(line);
    const char sub = rest.front();
    rest.remove_prefix(1);
    switch (sub) {
    case '+':
        return rest.empty() ? text(msgkind::cmdcursoron, "") : emit(line);
    case '-':
        return rest.empty() ? text(msgkind::cmdcursoroff, "") : emit(line);
    case 'b':
        return rest.empty() ? text(msgkind::cmdback, "") : emit(line);
    case 'x':
        return rest.empty() ? text(msgkind::cmdclear, "") : emit(line);
    case 'c':
        return rest.size() == 1 ? text(msgkind::cmdchar, rest) : emit(line);
    case 'L':
        return text(msgkind::cmdline, rest);
    default:
        return emit(line);
    }
}

message parseT(std::string_view line, std::string_view rest) {
    if (rest.empty()) return emit(line);
    const char sub = rest.front();
    rest.remove_prefix(1);
    message m;
    switch (sub) {
    case 'x':
        return rest.empty() ? text(msgkind::cleartext, "") : emit(line);
    case 'f':
        return rest.size() == 2 ? text(msgkind::lineflags, rest) : emit(line);
    case 'F':
        if (!number(rest, m.row) || !expect(rest, ',') || rest.size() != 2) return emit(line);
        m.kind = msgkind::rowflags;
        m.text = std::string(rest);
        return m;
    case 'L':
        if (!number(rest, m.row)) return emit(line);
        if (!rest.empty() && !expect(rest, ',')) return emit(line);
        m.kind = msgkind::row;
        m.text = std::string(rest);
        return m;
    case 'R':
        if (!number(rest, m.row) || !expect(rest, ',') || !number(rest, m.col) ||
            !expect(rest, ',') || !number(rest, m.len) || !expect(rest, ','))
            return emit(line);
        m.kind = msgkind::field;
        m.text = std::string(rest);
        return m;
    default:
        return emit(line);
    }
}

} // namespace

message parsemessage(std::string_view line) {
    if (line == "$$$") return text(msgkind::emitend, "");
    if (line.size() < 2 || line[0] != '$') return emit(line);
    std::string_view rest = line.substr(2);
    message m;
    switch (line[1]) {
    case '+':
        return rest.empty() ? text(msgkind::textcursoron, "") : emit(line);
    case '-':
        return rest.empty() ? text(msgkind::textcursoroff, "") : emit(line);
    case 'X':
        return rest.empty() ? text(msgkind::redraw, "") : emit(line);
    case 'W':
        return rest.empty() ? text(msgkind::clearwindow, "") : emit(line);
    case 'b':
        return rest.empty() ? text(msgkind::bell, "") : emit(line);
    case 'e':
        if (rest == "+") return text(msgkind::errorwait, "");
        if (rest == "-") return text(msgkind::errordone, "");
        return emit(line);
    case 'c':
        return rest.size() == 1 ? text(msgkind::echo, rest) : emit(line);
    case 'p':
        if (!number(rest, m.row) || !expect(rest, ',') || !number(rest, m.col) || !rest.empty())
            return emit(line);
        m.kind = msgkind::cursor;
        return m;
    case 'C':
        return parseC(line, rest);
    case 'T':
        return parseT(line, rest);
    case 'm':
        if (rest.empty()) return emit(line);
        m.kind = msgkind::status;
        m.sub = rest.front();
        m.text = std::string(rest.substr(1));
        return m;
    default:
        return emit(line);
    }
}

void linesplitter::feed(const char* data, size_t size, std::vector<std::string>& lines) {
    for (size_t i = 0; i < size; ++i) {
        const char c = data[i];
        if (c != '\n') {
            partial_ += c;
            continue;
        }
        if (!partial_.empty() && partial_.back() == '\r') partial_.pop_back();
        lines.push_back(std::move(partial_));
        partial_.clear();
    }
}

} // namespace oxa::term
