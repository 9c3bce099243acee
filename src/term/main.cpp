// oxa-term: the editor in a terminal.  Starts `oxa` (found beside this
// program) with the full message stream and draws what it sends.
#include "term/child.hpp"
#include "term/session.hpp"
#include "term/view.hpp"

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

const char* const usage = "usage: oxa-term [file | -p procedurefile | -d driverfile]\n";

// The path of this program, for the editor beside it.
std::string selfpath(const char* argv0) {
    std::string buf(PATH_MAX, '\0');
    const ssize_t n = readlink("/proc/self/exe", buf.data(), buf.size() - 1);
    if (n > 0) return buf.substr(0, static_cast<size_t>(n));
    return argv0;
}

} // namespace

int main(int argc, char** argv) {
    using namespace oxa::term;
    std::vector<std::string> args(argv + 1, argv + argc);
    if (!args.empty() && (args[0] == "-h" || args[0] == "--help")) {
        std::fputs(usage, stdout);
        return 0;
    }
    const bool flag = !args.empty() && (args[0] == "-p" || args[0] == "-d");
    if (args.size() > 2 || (flag && args.size() != 2) || (!flag && args.size() == 2) ||
        (!args.empty() && args[0].empty())) {
        std::fputs(usage, stderr);
        return 2;
    }
    std::atexit(viewstop);
    sessionoptions options;
    options.program = besideself(selfpath(argv[0]));
    options.args = args;
    std::string report;
    int status = 1;
    try {
        status = runsession(options, report);
    } catch (const std::exception& e) {
        viewstop();
        report = e.what();
    }
    if (!report.empty()) std::fprintf(stderr, "oxa-term: %s\n", report.c_str());
    return status;
}
