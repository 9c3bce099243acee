// Start-up: argument checks, initialisation, the start-up input and the edit loop.
#include "editor/editloop.hpp"
#include "editor/store.hpp"
#include "editor/terminal.hpp"

#include <cstdio>
#include <cstring>

namespace {

const char* const helptext = "To start oxa, use one of the following:\n"
                             "\toxa <filename>\n"
                             "\toxa -p <procedurefilename>\n"
                             "\toxa -d <driverfilename>\n"
                             "\n"
                             "Notes:\n"
                             "(1) You MUST provide the exact path to <driverfilename> if\n"
                             "it is not in the current directory.\n"
                             "(2) To use xoxa, replace oxa by xoxa.\n"
                             "(3) For more help, see https://oxa-editor.org/docs\n";

// Prints an argument message framed by a blank line before and after.
void argmessage(const char* text) {
    std::printf("\n%s\n\n", text);
    std::fflush(stdout);
}

// Checks the arguments; returns true when a message was printed and the
// program is to end.
bool badargs(int argc, char** argv) {
    if (argc == 2 && std::strcmp(argv[1], "-h") == 0) {
        argmessage(helptext);
        return true;
    }
    if (argc == 2 && std::strcmp(argv[1], "-d") == 0) {
        argmessage("You need to give the name of the driver file. Type oxa -h for details.");
        return true;
    }
    if (argc == 2 && std::strcmp(argv[1], "-p") == 0) {
        argmessage("You need to give the name of the procedure file. Type oxa -h for details.");
        return true;
    }
    if (argc > 3) {
        argmessage("Too many arguments. Type oxa -h for details.");
        return true;
    }
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    if (badargs(argc, argv)) return 0;
    return 0;
}
