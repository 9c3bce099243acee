// One editing session: the editor as a child, its messages drawn, the
// terminal's keys sent to it, until it ends or oxa-term is told to stop.
#pragma once

#include <string>
#include <vector>

#include "term/keys.hpp"

namespace oxa::term {

struct sessionoptions {
    std::string program;           // the editor program
    std::vector<std::string> args; // its arguments
    std::string startkeys;         // keys typed for the user at the start
};

// Runs the session; the terminal is given back on every way out.  Returns
// the exit status for oxa-term (0 when the editor ended normally) and, when
// something went wrong, what in `report`.
int runsession(const sessionoptions& options, std::string& report);

} // namespace oxa::term
