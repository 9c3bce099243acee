// The programs' --version line, from the version header written at build
// time (the version set in CMakeLists.txt and the git commit of the checkout).
#pragma once

#include "oxa_version.hpp"

#include <cstdio>

namespace oxa {

// Prints "PROGRAM VERSION", with " (commit HASH)" for a build from a checkout.
inline void printversion(const char* program) {
    if (OXA_COMMIT[0])
        std::printf("%s %s (commit %s)\n", program, OXA_VERSION, OXA_COMMIT);
    else
        std::printf("%s %s\n", program, OXA_VERSION);
}

} // namespace oxa
