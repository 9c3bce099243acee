// oxa-term: the editor in a terminal.  Starts `oxa` (found beside this
// program) with the full message stream and draws what it sends.
#include "term/child.hpp"
#include "term/session.hpp"
#include "packs/packs.hpp"
#include "term/view.hpp"
#include "version.hpp"

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

const char* const usage =
    "usage: oxa-term [--pack PACK] [file | -p procedurefile | -d driverfile]\n"
    "Runs the oxa editor in this terminal.  --pack loads a language pack at the\n"
    "start (with -d it is handed to the driver in DRILL_PACK instead): a directory,\n"
    "or the name of a pack in $OXA_PACKS or share/oxa/packs beside oxa-term.\n"
    "  -h, --help   this text\n"
    "  --version    the version\n";

} // namespace

int main(int argc, char** argv) {
    using namespace oxa::term;
    std::vector<std::string> args(argv + 1, argv + argc);
    if (!args.empty() && (args[0] == "-h" || args[0] == "--help")) {
        std::fputs(usage, stdout);
        return 0;
    }
    if (!args.empty() && args[0] == "--version") {
        oxa::printversion("oxa-term");
        return 0;
    }
    std::string pack;
    if (!args.empty() && args[0] == "--pack") {
        if (args.size() < 2 || args[1].empty()) {
            std::fprintf(stderr, "oxa-term: --pack needs a pack\n%s", usage);
            return 2;
        }
        const std::vector<std::string> path = oxa::packs::searchpath(
            std::getenv("OXA_PACKS"), oxa::packs::programdir(argv[0]));
        pack = oxa::packs::findpack(args[1], path);
        if (pack.empty()) {
            std::fprintf(stderr, "oxa-term: %s\n", oxa::packs::notfound(args[1], path).c_str());
            return 2;
        }
        args.erase(args.begin(), args.begin() + 2);
    }
    const bool flag = !args.empty() && (args[0] == "-p" || args[0] == "-d");
    if (args.size() > 2 || (flag && args.size() != 2) || (!flag && args.size() == 2) ||
        (!args.empty() && args[0].empty())) {
        std::fputs(usage, stderr);
        return 2;
    }
    sessionoptions options;
    if (!pack.empty() && !args.empty() && args[0] == "-d") {
        setenv("DRILL_PACK", pack.c_str(), 1);
    } else if (!pack.empty()) {
        std::string error;
        if (!oxa::packs::loadkeys(pack, options.startkeys, error)) {
            std::fprintf(stderr, "oxa-term: %s\n", error.c_str());
            return 2;
        }
    }
    std::atexit(viewstop);
    options.program = besideself(oxa::packs::selfpath(argv[0]));
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
