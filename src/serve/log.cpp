// The log line writer.
#include "serve/log.hpp"

#include <unistd.h>

#include <chrono>
#include <ctime>

namespace serve {

void log_line(const std::string& text) {
    using namespace std::chrono;
    const auto now = system_clock::now();
    const time_t secs = system_clock::to_time_t(now);
    const long ms = static_cast<long>(duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000);
    struct tm t;
    gmtime_r(&secs, &t);
    char stamp[40];
    const size_t n = strftime(stamp, sizeof stamp, "%Y-%m-%dT%H:%M:%S", &t);
    snprintf(stamp + n, sizeof stamp - n, ".%03ldZ ", ms);
    const std::string line = stamp + text + "\n";
    // One write, so that lines from several threads never mix.
    (void)!write(2, line.data(), line.size());
}

std::string log_safe(const std::string& s, size_t limit) {
    std::string out;
    static const char digits[] = "0123456789abcdef";
    for (size_t i = 0; i < s.size() && i < limit; ++i) {
        const unsigned char c = static_cast<unsigned char>(s[i]);
        if (c >= 0x20 && c < 0x7f && c != '\\') {
            out += static_cast<char>(c);
        } else {
            out += "\\x";
            out += digits[c >> 4];
            out += digits[c & 15];
        }
    }
    if (s.size() > limit) out += "...";
    return out;
}

} // namespace serve
