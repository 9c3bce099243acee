// The file format's line-kind prefixes: a line that is not plain text is
// written with a backslash and a letter before its text.
#pragma once

#include <cstdint>

#include "editor/store.hpp"

namespace oxa {

// The prefix that marks a line of this kind in a file ("" for a text line).
constexpr const char* kindprefix(int32_t kind) {
    switch (kind) {
    case K_RECORD: return "\\r";
    case K_FORMULA: return "\\m";
    case K_HLINE: return "\\h";
    case K_ALINE: return "\\a";
    case K_PICTURE: return "\\l\n";
    default: return "";
    }
}

} // namespace oxa
