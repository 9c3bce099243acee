// The editor's full message stream, read line by line.
//
// With OXA_WIRE=full the editor writes every display message whole, one a
// line ended by CR LF: `$`, a family character, for some families a sub-code,
// then the message's own fields (the table in wire/protocol.hpp).  Each line
// of program output (EMIT, shell commands) comes framed as an output message;
// EMIT output ends with a "$$$" line.  Any other line that is not a message
// is taken as a plain line of output.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "wire/protocol.hpp"

namespace oxa::term {

// What a line is: the kinds of the wire's table (wire/protocol.hpp).
using msgkind = wire::kind;

struct message {
    msgkind kind = msgkind::emitline;
    char sub = 0;       // the sub-code of a status message ($m)
    int32_t row = 0;    // $TF, $TL, $TR, $p
    int32_t col = 0;    // $TR, $p
    int32_t len = 0;    // $TR
    std::string text;   // the message's text (single bytes as the editor sent them)
};

// Reads one line (without its CR LF).  A message whose numbers are missing
// or malformed is taken as a line of EMIT output, never half applied.
message parsemessage(std::string_view line);

// Cuts the byte stream into lines at LF; one CR before the LF belongs to the
// framing and is removed.
class linesplitter {
  public:
    // Appends the lines that the bytes complete.
    void feed(const char* data, size_t size, std::vector<std::string>& lines);
    // What has come after the last LF.
    const std::string& partial() const { return partial_; }

  private:
    std::string partial_;
};

} // namespace oxa::term
