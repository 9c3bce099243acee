// The screen model.
#include "term/screen.hpp"

#include "term/keysummary.hpp"

#include <algorithm>
#include <cstdio>

namespace oxa::term {

namespace {

// A number of the status fields, as the editor pads it ("$mr%5d").
int32_t fieldnumber(const std::string& text) {
    int32_t n = -1;
    if (std::sscanf(text.c_str(), "%d", &n) != 1) return -1;
    return n;
}

std::string trimmed(const std::string& s) {
    const size_t last = s.find_last_not_of(' ');
    return last == std::string::npos ? std::string() : s.substr(0, last + 1);
}

// Bytes that a terminal would take as control characters are shown as '?'.
char shown(char c) {
    const auto b = static_cast<unsigned char>(c);
    return (b < 32 || b == 127) ? '?' : c;
}

} // namespace

screen::screen(int32_t rows, int32_t cols) : rows_(std::max(rows, 1)), cols_(std::max(cols, 1)) {
    text_.assign(static_cast<size_t>(rows_), std::string());
}

void screen::resize(int32_t rows, int32_t cols) {
    rows_ = std::max(rows, 1);
    cols_ = std::max(cols, 1);
    text_.resize(static_cast<size_t>(rows_));
}

void screen::cleartext() {
    for (auto& r : text_)
        r.clear();
}

// Writes bytes into a text row from column x (0-based), padding the row.
// Nothing lands beyond the screen's last column, whatever the wire says.
void screen::put(int32_t row, int32_t x, std::string_view bytes) {
    if (!textrow(row) || x < 0 || x >= cols_) return;
    bytes = bytes.substr(0, static_cast<size_t>(cols_ - x));
    std::string& r = text_[static_cast<size_t>(row)];
    const size_t end = static_cast<size_t>(x) + bytes.size();
    if (r.size() < end) r.resize(end, ' ');
    r.replace(static_cast<size_t>(x), bytes.size(), bytes);
}

void screen::setstatus(char sub, const std::string& text) {
    switch (sub) {
    case 'w':
        status_.corefile = fieldnumber(text);
        break;
    case 'r':
        status_.lineno = fieldnumber(text);
        break;
    case 'c':
        status_.column = fieldnumber(text);
        break;
    case 'l':
        status_.lines = fieldnumber(text);
        break;
    case 'v':
        status_.view = trimmed(text);
        break;
    case 'm':
        status_.mode = trimmed(text);
        break;
    case 'n':
        status_.filename = text;
        break;
    case 't':
        status_.ruler = text;
        break;
    case 'i':
        status_.result = "Result " + text;
        break;
    case 'f':
        status_.result = "= " + text;
        break;
    case 'b':
        status_.result = "Checks " + text;
        break;
    case 'M':
        status_.result = "Cursor " + text;
        break;
    case 'V':
        if (!text.empty()) slots_[text[0]] = text.substr(1);
        break;
    case 'e':
        help_ = text;
        helperror_ = true;
        break;
    case 'h':
    case 'U':
        help_ = text;
        helperror_ = false;
        break;
    default:
        break;
    }
}

void screen::apply(const message& m) {
    switch (m.kind) {
    case msgkind::textcursoron:
        cmdcursor_ = false;
        break;
    case msgkind::textcursoroff:
        break;
    case msgkind::cmdcursoron:
        cmdcursor_ = true;
        break;
    case msgkind::cmdcursoroff:
        cmdcursor_ = false;
        break;
    case msgkind::cmdchar:
        command_ += m.text;
        break;
    case msgkind::cmdback:
        if (!command_.empty()) command_.pop_back();
        break;
    case msgkind::cmdclear:
        command_.clear();
        break;
    case msgkind::cmdline:
        command_ = m.text;
        break;
    case msgkind::redraw:
        outputshown_ = false;
        break;
    case msgkind::clearwindow:
        outputshown_ = false;
        cleartext();
        command_.clear();
        status_.result.clear();
        // An error still waiting for its reply stays in view.
        if (!waiting_) {
            help_.clear();
            helperror_ = false;
        }
        break;
    case msgkind::cleartext:
        cleartext();
        break;
    case msgkind::rowflags:
        put(m.row, 0, m.text);
        break;
    case msgkind::row:
        if (textrow(m.row)) {
            std::string& r = text_[static_cast<size_t>(m.row)];
            r.resize(FLAGCOLS, ' ');
            r.append(m.text, 0, static_cast<size_t>(std::max(cols_ - FLAGCOLS, 0)));
        }
        break;
    case msgkind::field: {
        // A field is padded to its length, but never beyond the row's end.
        if (m.col < 0 || m.col >= cols_) break;
        const auto len = static_cast<size_t>(std::clamp(m.len, 0, cols_ - m.col));
        std::string f = m.text.substr(0, len);
        f.resize(len, ' ');
        put(m.row, m.col, f);
        break;
    }
    case msgkind::lineflags:
        put(currow_, 0, m.text);
        break;
    case msgkind::echo:
        put(currow_, curx_, m.text);
        curx_ = std::min(curx_ + 1, cols_);
        break;
    case msgkind::cursor:
        // Kept within the screen (one column past the last for an echo to
        // fall off), so that later steps cannot run past the numbers' range.
        currow_ = std::clamp(m.row, 0, rows_ - 1);
        curx_ = std::clamp(m.col, 0, cols_);
        break;
    case msgkind::bell:
        ++bells_;
        break;
    case msgkind::errorwait:
        waiting_ = true;
        break;
    case msgkind::errordone:
        waiting_ = false;
        break;
    case msgkind::status:
        setstatus(m.sub, m.text);
        break;
    case msgkind::output:
    case msgkind::emitline:
        if (emitdone_ || !outputshown_) {
            emitted_.clear();
            emitdone_ = false;
        }
        emitted_.push_back(m.text);
        outputshown_ = true;
        break;
    case msgkind::emitend:
        emitdone_ = true;
        break;
    }
}

void screen::feed(const char* data, size_t size) {
    std::vector<std::string> lines;
    splitter_.feed(data, size, lines);
    for (const auto& l : lines)
        apply(parsemessage(l));
}

std::string screen::statusline() const {
    std::string s;
    auto add = [&s](const std::string& part) {
        if (part.empty()) return;
        if (!s.empty()) s += " | ";
        s += part;
    };
    if (status_.corefile >= 0) add("Core " + std::to_string(status_.corefile));
    if (status_.lineno >= 0) {
        std::string l = "Line " + std::to_string(status_.lineno);
        if (status_.lines >= 0) l += " of " + std::to_string(status_.lines);
        add(l);
    }
    if (status_.column >= 0) add("Col " + std::to_string(status_.column));
    add(status_.view);
    add(status_.mode);
    add(status_.filename.empty() ? std::string("(no file name)") : status_.filename);
    add(status_.result);
    if (!slots_.empty()) {
        std::string files = "Loaded:";
        for (const auto& [slot, name] : slots_)
            if (!name.empty()) files += " " + name;
        add(files);
    }
    return " " + s;
}

std::string screen::line(int32_t y) const {
    std::string s;
    if (y < 0 || y >= rows_) return std::string(static_cast<size_t>(cols_), ' ');
    if (y == 0) {
        s = statusline();
    } else if (y == 1 && rows_ > 3) {
        s = std::string(FLAGCOLS, ' ') + status_.ruler;
    } else if (y == rows_ - 2 && rows_ > 3) {
        s = help_;
        if (waiting_) s += REPLYHINT;
    } else if (y == rows_ - 1) {
        s = command_;
    } else if (keysshown_ && textrow(y)) {
        const size_t i = static_cast<size_t>(y - TEXTTOP);
        if (i < keysummary.size()) s = keysummary[i];
    } else if (outputshown_ && textrow(y)) {
        // The last lines of the output, from the window's first row.
        const size_t shown = static_cast<size_t>(std::max(rows_ - 2 - TEXTTOP, 0));
        const size_t first = emitted_.size() > shown ? emitted_.size() - shown : 0;
        const size_t i = first + static_cast<size_t>(y - TEXTTOP);
        if (i < emitted_.size()) s = emitted_[i];
    } else {
        s = text_[static_cast<size_t>(y)];
    }
    s.resize(static_cast<size_t>(cols_), ' ');
    for (char& c : s)
        c = shown(c);
    return s;
}

rowstyle screen::style(int32_t y) const {
    if (y == 0) return rowstyle::status;
    if (y == rows_ - 2 && rows_ > 3 && (helperror_ || waiting_)) return rowstyle::error;
    return rowstyle::plain;
}

int32_t screen::cursory() const {
    const int32_t y = cmdcursor_ ? rows_ - 1 : currow_;
    return std::clamp(y, 0, rows_ - 1);
}

int32_t screen::cursorx() const {
    const int32_t x = cmdcursor_ ? static_cast<int32_t>(command_.size()) : curx_;
    return std::clamp(x, 0, cols_ - 1);
}

int32_t screen::takebells() {
    const int32_t n = bells_;
    bells_ = 0;
    return n;
}

} // namespace oxa::term
