// UTF-8 <-> Latin-1 at the terminal edge.
#include "term/utf8.hpp"

#include "editor/encoding.hpp"

namespace oxa::term {

void appendutf8(std::string& out, unsigned char b) {
    uint32_t cp = charofbyte(b);
    if (b == PLACEOPEN) {
        cp = PLACEOPENSHOWN;
    } else if (b == PLACECLOSE) {
        cp = PLACECLOSESHOWN;
    } else if (cp >= 0x80 && cp <= 0x9F) {
        cp = FREEPLACESHOWN;
    }
    appendcodepoint(out, cp);
}

std::string latin1toutf8(std::string_view text) {
    std::string out;
    out.reserve(text.size() + text.size() / 4);
    for (char c : text)
        appendutf8(out, static_cast<unsigned char>(c));
    return out;
}

void appendcodepoint(std::string& out, uint32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        if (cp >= 0xD800 && cp <= 0xDFFF) return; // surrogates are not characters
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp <= 0x10FFFF) {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

void utf8decoder::start(unsigned char b, std::vector<int32_t>& out) {
    need_ = 0;
    if (b < 0x80) {
        out.push_back(b);
    } else if (b >= 0xC2 && b <= 0xDF) {
        cp_ = b & 0x1F;
        need_ = 1;
        min_ = 0x80;
    } else if (b >= 0xE0 && b <= 0xEF) {
        cp_ = b & 0x0F;
        need_ = 2;
        min_ = 0x800;
    } else if (b >= 0xF0 && b <= 0xF4) {
        cp_ = b & 0x07;
        need_ = 3;
        min_ = 0x10000;
    } else {
        out.push_back(MALFORMED); // a stray continuation byte, C0, C1 or F5..FF
    }
}

void utf8decoder::feed(unsigned char b, std::vector<int32_t>& out) {
    if (need_ == 0) {
        start(b, out);
        return;
    }
    if ((b & 0xC0) != 0x80) {
        // The sequence broke off: it is lost, and this byte is read anew.
        out.push_back(MALFORMED);
        start(b, out);
        return;
    }
    cp_ = (cp_ << 6) | (b & 0x3F);
    if (--need_ > 0) return;
    const bool bad = cp_ < min_ || cp_ > 0x10FFFF || (cp_ >= 0xD800 && cp_ <= 0xDFFF);
    out.push_back(bad ? MALFORMED : static_cast<int32_t>(cp_));
}

std::string utf8tolatin1(std::string_view text) {
    std::string out;
    std::vector<int32_t> cps;
    utf8decoder d;
    for (char c : text)
        d.feed(static_cast<unsigned char>(c), cps);
    if (d.pending()) cps.push_back(utf8decoder::MALFORMED);
    for (int32_t cp : cps) {
        const int b = cp < 0 ? -1 : storebyte(static_cast<uint32_t>(cp));
        out += static_cast<char>(b < 0 ? NOTLATIN1 : b);
    }
    return out;
}

} // namespace oxa::term
