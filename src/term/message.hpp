// The editor's full message stream, read line by line.
//
// With OXA_WIRE=full the editor writes every display message whole, one a
// line ended by CR LF: `$`, a family character, for the families C, T and m a
// sub-code, then the message's own text.  Lines of EMIT output travel on the
// same stream in their own framing (text lines ended by a "$$$" line); any
// line that is not a message is taken as such a line.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace oxa::term {

enum class msgkind {
    textcursoron,  // $+
    textcursoroff, // $-
    cmdcursoron,   // $C+
    cmdcursoroff,  // $C-
    cmdchar,       // $Cc<char>: text holds the character
    cmdback,       // $Cb
    cmdclear,      // $Cx
    cmdline,       // $CL<text>
    redraw,        // $X
    clearwindow,   // $W
    cleartext,     // $Tx
    rowflags,      // $TF<row>,<f1><f2>: text holds the two flags
    row,           // $TL<row> or $TL<row>,<text>
    field,         // $TR<row>,<col>,<len>,<text>
    lineflags,     // $Tf<f1><f2>
    echo,          // $c<char>
    cursor,        // $p<row>,<col>
    bell,          // $b
    errorwait,     // $e+
    errordone,     // $e-
    status,        // $m<sub><text>
    emitline,      // a line of EMIT output (or any line that is no message)
    emitend,       // "$$$"
};

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
