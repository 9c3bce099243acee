// Text encodings: UTF-8 detection, decoding to single bytes and encoding back.
#include "editor/encoding.hpp"

#include <sys/stat.h>

#include <cstdio>
#include <cstring>

namespace oxa {

namespace {

// What a lead byte opens: the number of continuation bytes that follow, the
// bits it carries and the least character a sequence of that length may give
// (anything less is an overlong form).  need -1: not a lead byte.
struct Lead {
    int need;
    uint32_t bits;
    uint32_t lower;
};

constexpr Lead leadof(unsigned char b) {
    if (b >= 0xC2 && b <= 0xDF) return {1, b & 0x1Fu, 0x80};
    if (b >= 0xE0 && b <= 0xEF) return {2, b & 0x0Fu, 0x800};
    if (b >= 0xF0 && b <= 0xF4) return {3, b & 0x07u, 0x10000};
    return {-1, 0, 0};
}

constexpr bool wellformed(uint32_t cp, uint32_t lower) {
    return cp >= lower && cp <= 0x10FFFF && (cp < 0xD800 || cp > 0xDFFF);
}

constexpr int hexval(unsigned char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

} // namespace

size_t placeholder(uint32_t cp, unsigned char* out) {
    char digits[12];
    const int k = std::snprintf(digits, sizeof digits, "%X", static_cast<unsigned>(cp));
    size_t m = 0;
    out[m++] = PLACEOPEN;
    for (int i = 0; i < k && m < PLACEMAX - 1; ++i)
        out[m++] = static_cast<unsigned char>(digits[i]);
    out[m++] = PLACECLOSE;
    return m;
}

size_t placeholderat(const unsigned char* p, size_t n, uint32_t& cp) {
    if (n < 3 || p[0] != PLACEOPEN) return 0;
    uint32_t c = 0;
    size_t i = 1;
    for (; i < n && i < PLACEMAX - 1 && hexval(p[i]) >= 0; ++i)
        c = (c << 4) | static_cast<uint32_t>(hexval(p[i]));
    if (i == 1 || i >= n || p[i] != PLACECLOSE) return 0;
    if (!wellformed(c, 0x80) || storebyte(c) >= 0) return 0;
    cp = c;
    return i + 1;
}

size_t utf8put(uint32_t cp, unsigned char* out) {
    if (cp < 0x80) {
        out[0] = static_cast<unsigned char>(cp);
        return 1;
    }
    if (cp < 0x800) {
        out[0] = static_cast<unsigned char>(0xC0 | (cp >> 6));
        out[1] = static_cast<unsigned char>(0x80 | (cp & 0x3F));
        return 2;
    }
    if (cp < 0x10000) {
        out[0] = static_cast<unsigned char>(0xE0 | (cp >> 12));
        out[1] = static_cast<unsigned char>(0x80 | ((cp >> 6) & 0x3F));
        out[2] = static_cast<unsigned char>(0x80 | (cp & 0x3F));
        return 3;
    }
    out[0] = static_cast<unsigned char>(0xF0 | (cp >> 18));
    out[1] = static_cast<unsigned char>(0x80 | ((cp >> 12) & 0x3F));
    out[2] = static_cast<unsigned char>(0x80 | ((cp >> 6) & 0x3F));
    out[3] = static_cast<unsigned char>(0x80 | (cp & 0x3F));
    return 4;
}

// Eight bytes at a time while none has its high bit set.
size_t asciirun(const unsigned char* p, size_t n) {
    size_t i = 0;
    for (; i + 8 <= n; i += 8) {
        uint64_t w;
        std::memcpy(&w, p + i, 8);
        if ((w & 0x8080808080808080ULL) != 0) break;
    }
    while (i < n && p[i] < 0x80)
        ++i;
    return i;
}

int utf8length(unsigned char lead) {
    if (lead < 0x80) return 1;
    return leadof(lead).need + 1;
}

int utf8decode(const unsigned char* p, size_t n, uint32_t& cp) {
    if (n == 0) return 0;
    if (p[0] < 0x80) {
        cp = p[0];
        return 1;
    }
    const Lead l = leadof(p[0]);
    if (l.need < 0 || n < static_cast<size_t>(l.need) + 1) return 0;
    uint32_t c = l.bits;
    for (int i = 1; i <= l.need; ++i) {
        if (!utf8cont(p[i])) return 0;
        c = (c << 6) | (p[i] & 0x3Fu);
    }
    if (!wellformed(c, l.lower)) return 0;
    cp = c;
    return l.need + 1;
}

size_t utf8encode(const unsigned char* text, size_t n, unsigned char* out) {
    size_t m = 0;
    for (size_t i = 0; i < n; ++i)
        m += utf8put(charofbyte(text[i]), out + m);
    return m;
}

void utf8text(const unsigned char* text, size_t n, std::string& out) {
    for (size_t i = 0; i < n;) {
        const size_t run = asciirun(text + i, n - i);
        out.append(reinterpret_cast<const char*>(text + i), run);
        i += run;
        if (i == n) break;
        unsigned char seq[4];
        uint32_t cp = 0;
        const size_t k = placeholderat(text + i, n - i, cp);
        if (k > 0) {
            i += k;
        } else {
            cp = charofbyte(text[i++]);
        }
        out.append(reinterpret_cast<const char*>(seq), utf8put(cp, seq));
    }
}

// ---- Detection ---------------------------------------------------------------

void Utf8Scan::feed(const unsigned char* p, size_t n) {
    size_t i = 0;
    while (i < n && !bad) {
        if (need == 0) {
            i += asciirun(p + i, n - i);
            if (i == n) break;
            highbyte = true;
            const Lead l = leadof(p[i++]);
            if (l.need < 0) {
                bad = true;
                break;
            }
            need = l.need;
            partial = l.bits;
            lower = l.lower;
            continue;
        }
        const unsigned char b = p[i++];
        if (!utf8cont(b)) {
            bad = true;
            break;
        }
        partial = (partial << 6) | (b & 0x3Fu);
        if (--need > 0) continue;
        if (!wellformed(partial, lower)) {
            bad = true;
            break;
        }
        multibyte = true;
        if (storebyte(partial) < 0) ++beyondcount;
    }
}

void Utf8Scan::finish() {
    if (need != 0) bad = true;
}

TextEncoding Utf8Scan::encoding() const {
    if (!highbyte) return ENC_UNSET;
    return bad || !multibyte ? ENC_LATIN1 : ENC_UTF8;
}

// ---- Characters the store cannot hold ------------------------------------------

void BeyondFinder::feed(const unsigned char* p, size_t n) {
    for (size_t i = 0; i < n && !done(); ++i) {
        const unsigned char b = p[i];
        if (need > 0) {
            partial = (partial << 6) | (b & 0x3Fu);
            if (--need == 0 && storebyte(partial) < 0 && line >= first) {
                if (found.line == 0) found = {line, partial, 0};
                ++found.count;
            }
            continue;
        }
        if (b == '\n' || (b == 11 && vtends)) {
            ++line;
        } else if (b >= 0x80) {
            const Lead l = leadof(b);
            need = l.need > 0 ? l.need : 0;
            partial = l.bits;
        }
    }
}

std::string beyondmessage(const char* name, const BeyondChar& b) {
    char tail[64];
    std::snprintf(tail, sizeof tail, " line %d: character U+%04X cannot be edited",
                  static_cast<int>(b.line), static_cast<unsigned>(b.cp));
    return std::string(name) + tail;
}

std::string keptmessage(const char* name, const BeyondChar& b) {
    char tail[120];
    const bool one = b.count == 1;
    std::snprintf(tail, sizeof tail, ": %lld character%s kept as %smarked placeholder%s, the first U+%04X on line %d",
                  static_cast<long long>(b.count), one ? "" : "s", one ? "a " : "", one ? "" : "s",
                  static_cast<unsigned>(b.cp), static_cast<int>(b.line));
    return std::string(name) + tail;
}

bool osnameinto(const char* name, char* buf, size_t size) {
    const size_t n = std::strlen(name);
    if (size == 0) return false;
    const size_t high = n - asciirun(reinterpret_cast<const unsigned char*>(name), n);
    bool plain = high == 0;
    if (!plain) {
        size_t m = 0;
        for (size_t i = 0; i < n; ++i) {
            // A byte of 0x80..0x9F may stand for a character of three bytes.
            const uint32_t c = charofbyte(static_cast<unsigned char>(name[i]));
            m += c < 0x80 ? 1 : c < 0x800 ? 2 : 3;
        }
        if (m + 1 > size) return false;
        m = utf8encode(reinterpret_cast<const unsigned char*>(name), n,
                       reinterpret_cast<unsigned char*>(buf));
        buf[m] = '\0';
        struct stat st {};
        // A file made under the single-byte name keeps being found by it.
        plain = ::lstat(buf, &st) != 0 && ::lstat(name, &st) == 0;
    }
    if (plain) {
        if (n + 1 > size) return false;
        std::memcpy(buf, name, n + 1);
    }
    return true;
}

std::string osname(const char* name) {
    std::string buf(3 * std::strlen(name) + 1, '\0');
    if (!osnameinto(name, buf.data(), buf.size())) return name;
    buf.resize(std::strlen(buf.c_str()));
    return buf;
}

std::string editorname(const char* name) {
    const auto* p = reinterpret_cast<const unsigned char*>(name);
    const size_t n = std::strlen(name);
    std::string out;
    for (size_t i = 0; i < n;) {
        uint32_t cp = 0;
        const int len = utf8decode(p + i, n - i, cp);
        if (len == 0 || cp == 0 || storebyte(cp) < 0) return name;
        out += static_cast<char>(storebyte(cp));
        i += static_cast<size_t>(len);
    }
    return out;
}

} // namespace oxa
