// The server's log on standard error: one line per request and a line for
// each event worth knowing (start, worker restarts, stop).
#pragma once

#include <string>

namespace serve {

// "2026-12-11T02:15:56.123Z " and the text, as one write.
void log_line(const std::string& text);
// Bytes a client chose, made safe for a log line: anything not printable
// ASCII as \xNN, cut at `limit` bytes.
std::string log_safe(const std::string& s, size_t limit = 200);

} // namespace serve
