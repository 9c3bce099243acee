// UTF-8 and Latin-1 at the edge, random tokens, pack revisions.
#include "serve/text.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>

namespace serve {

namespace {

// The length of the UTF-8 sequence at s[i] and its code point; 0 when malformed.
size_t decode(const std::string& s, size_t i, uint32_t& cp) {
    const auto b = [&](size_t k) { return static_cast<unsigned char>(s[k]); };
    const unsigned char c = b(i);
    size_t n;
    if (c < 0x80) {
        cp = c;
        return 1;
    } else if ((c & 0xe0) == 0xc0) {
        n = 2;
        cp = c & 0x1f;
    } else if ((c & 0xf0) == 0xe0) {
        n = 3;
        cp = c & 0x0f;
    } else if ((c & 0xf8) == 0xf0) {
        n = 4;
        cp = c & 0x07;
    } else {
        return 0;
    }
    if (i + n > s.size()) return 0;
    for (size_t k = 1; k < n; ++k) {
        if ((b(i + k) & 0xc0) != 0x80) return 0;
        cp = (cp << 6) | (b(i + k) & 0x3f);
    }
    static const uint32_t least[] = {0, 0, 0x80, 0x800, 0x10000};
    if (cp < least[n] || cp > 0x10ffff || (cp >= 0xd800 && cp <= 0xdfff)) return 0;
    return n;
}

} // namespace

bool utf8_valid(const std::string& s) {
    uint32_t cp;
    for (size_t i = 0; i < s.size();) {
        const size_t n = decode(s, i, cp);
        if (n == 0) return false;
        i += n;
    }
    return true;
}

size_t utf8_length(const std::string& s) {
    size_t count = 0;
    for (unsigned char c : s)
        if ((c & 0xc0) != 0x80) ++count;
    return count;
}

std::string latin1_to_utf8(const std::string& s) {
    std::string out;
    out.reserve(s.size() + 8);
    for (unsigned char c : s) {
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else {
            out += static_cast<char>(0xc0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3f));
        }
    }
    return out;
}

bool utf8_to_latin1(const std::string& s, std::string& out, uint32_t& bad) {
    out.clear();
    uint32_t cp = 0;
    for (size_t i = 0; i < s.size();) {
        const size_t n = decode(s, i, cp);
        if (n == 0) {
            bad = 0xfffd;
            return false;
        }
        i += n;
        if (cp == 0x2018 || cp == 0x2019) cp = '\'';
        if (cp == 0x201c || cp == 0x201d) cp = '"';
        if (cp > 0xff) {
            bad = cp;
            return false;
        }
        out += static_cast<char>(cp);
    }
    return true;
}

std::string random_hex(size_t n) {
    std::string bytes(n, '\0');
    size_t got = 0;
    const int fd = open("/dev/urandom", O_RDONLY | O_CLOEXEC);
    if (fd >= 0) {
        while (got < n) {
            const ssize_t r = read(fd, bytes.data() + got, n - got);
            if (r <= 0) break;
            got += static_cast<size_t>(r);
        }
        close(fd);
    }
    if (got < n) std::abort(); // never hand out a guessable token
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (unsigned char c : bytes) {
        out += digits[c >> 4];
        out += digits[c & 15];
    }
    return out;
}

std::string files_revision(const std::vector<std::string>& paths) {
    uint64_t h = 1469598103934665603ull; // FNV-1a, 64 bits
    const auto mix = [&h](const std::string& bytes) {
        for (unsigned char c : bytes) {
            h ^= c;
            h *= 1099511628211ull;
        }
        h ^= 0xff; // ends each piece, so that names and contents cannot slide
        h *= 1099511628211ull;
    };
    for (const std::string& p : paths) {
        std::ifstream in(p, std::ios::binary);
        if (!in) return "";
        std::ostringstream all;
        all << in.rdbuf();
        const size_t slash = p.rfind('/');
        mix(slash == std::string::npos ? p : p.substr(slash + 1));
        mix(all.str());
    }
    char buf[17];
    std::snprintf(buf, sizeof buf, "%016llx", static_cast<unsigned long long>(h));
    return buf;
}

} // namespace serve
