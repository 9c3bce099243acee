// Reading the editor's full message stream.
#include "term/message.hpp"

#include <charconv>

namespace oxa::term {

namespace {

// Reads a decimal number (leading blanks allowed, as in "$mr%5d") at the
// front of s; moves s past it.
bool number(std::string_view& s, int32_t& out) {
    size_t i = 0;
    while (i < s.size() && s[i] == ' ')
        ++i;
    const char* first = s.data() + i;
    const char* last = s.data() + s.size();
    auto [end, ec] = std::from_chars(first, last, out);
    if (ec != std::errc() || end == first) return false;
    s.remove_prefix(static_cast<size_t>(end - s.data()));
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
