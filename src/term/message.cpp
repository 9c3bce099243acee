// Reading the editor's full message stream.
#include "term/message.hpp"

#include <algorithm>

namespace oxa::term {

namespace {

// Reads a decimal number (leading blanks allowed, as in "$mr%5d") at the
// front of s; moves s past it.  Only digits (and a leading '-') are read,
// and a value beyond any screen position is held at LARGEST (or -LARGEST):
// the screen clamps every position and length, and no number from the wire
// can overflow on its way there.
bool number(std::string_view& s, int32_t& out) {
    constexpr int32_t LARGEST = 1000000;
    size_t i = 0;
    while (i < s.size() && s[i] == ' ')
        ++i;
    const bool negative = i < s.size() && s[i] == '-';
    if (negative) ++i;
    const size_t first = i;
    int32_t n = 0;
    for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i)
        n = std::min(n * 10 + (s[i] - '0'), LARGEST);
    if (i == first) return false;
    out = negative ? -n : n;
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

// Reads the fields that follow a message's code by their shape; false when
// they do not match it.
bool fields(wire::shape shape, std::string_view rest, message& m) {
    switch (shape) {
    case wire::shape::none:
        return rest.empty();
    case wire::shape::onechar:
        if (rest.size() != 1) return false;
        break;
    case wire::shape::twochars:
        if (rest.size() != 2) return false;
        break;
    case wire::shape::text:
        break;
    case wire::shape::rowflags:
        if (!number(rest, m.row) || !expect(rest, ',') || rest.size() != 2) return false;
        break;
    case wire::shape::rowtext:
        if (!number(rest, m.row)) return false;
        if (!rest.empty() && !expect(rest, ',')) return false;
        break;
    case wire::shape::field:
        if (!number(rest, m.row) || !expect(rest, ',') || !number(rest, m.col) ||
            !expect(rest, ',') || !number(rest, m.len) || !expect(rest, ','))
            return false;
        break;
    case wire::shape::position:
        if (!number(rest, m.row) || !expect(rest, ',') || !number(rest, m.col) || !rest.empty())
            return false;
        break;
    }
    m.text = std::string(rest);
    return true;
}

} // namespace

message parsemessage(std::string_view line) {
    if (line.size() < 2 || line[0] != '$') return emit(line);
    const wire::message* row = wire::find(line[1], line.size() > 2 ? line[2] : '\0');
    if (row == nullptr) return emit(line);
    const std::string_view code(row->code);
    message m;
    m.kind = row->what;
    if (m.kind == msgkind::status) m.sub = wire::subcode(*row);
    if (!fields(row->fields, line.substr(code.size()), m)) return emit(line);
    return m;
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
