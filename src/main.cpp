// Start-up: argument checks, initialisation, the start-up input and the edit loop.
#include "bormo/gencommands.hpp"
#include "editor/commands.hpp"
#include "editor/editloop.hpp"
#include "editor/encoding.hpp"
#include "editor/frontend.hpp"
#include "editor/input.hpp"
#include "editor/paint.hpp"
#include "editor/store.hpp"
#include "editor/processes.hpp"
#include "editor/resetall.hpp"
#include "editor/templates.hpp"
#include "editor/terminal.hpp"
#include "editor/undo.hpp"
#include "version.hpp"

#include <sys/stat.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

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

// --help: the usage, plain, for a user at a shell (-h keeps the framed
// start-up help above).
const char* const usage =
    "usage: oxa FILE | oxa -p PROCEDUREFILE | oxa -d DRIVERFILE\n"
    "Edits FILE (fetched if it exists, else named), runs a procedure file first,\n"
    "or starts a driver program whose output is the editor's input.  oxa speaks\n"
    "to a front end on standard input and output; oxa-term runs it in a terminal.\n"
    "  -h         the start-up help\n"
    "  --help     this text\n"
    "  --version  the version\n"
    "--help and --version count only as the one argument; a file of that name\n"
    "opens as ./--help.  See oxa(1).\n";

// Prints an argument message framed by a blank line before and after.
void argmessage(const char* text) {
    std::printf("\n%s\n\n", text);
    std::fflush(stdout);
}

// Checks the arguments; returns true when a message was printed and the
// program is to end.
bool badargs(int argc, char** argv) {
    if (argc == 2 && std::strcmp(argv[1], "--help") == 0) {
        std::fputs(usage, stdout);
        return true;
    }
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        oxa::printversion("oxa");
        return true;
    }
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
    if (argc == 2 && oxa::editorname(argv[1]).size() > oxa::FILNAMESIZE - 1) {
        argmessage("File name too long (at most 48 characters). Type oxa -h for details.");
        return true;
    }
    return false;
}

// Whether the file field takes every character of `name` as it is typed.
bool typeable(const std::string& name) {
    for (const char ch : name) {
        const auto c = static_cast<unsigned char>(ch);
        if (!std::isalnum(c) && std::strchr("-./_~", c) == nullptr) return false;
    }
    return !name.empty() && name != "*";
}

// The start-up command, read after the command key; it stays alive while the
// input stack reads it.
std::string startcmd;

// Queues the start-up input: a RUN, PROCEDURE, FETCH or NAME command for the
// arguments, then the command key on top so that the editor reads it first.
void pushstartup(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "-d") == 0) {
        // A driver named by an absolute path is run as named.
        startcmd = std::string("RU") + (argv[2][0] == '/' ? "" : "./") + argv[2] + "\r";
    } else if (argc == 3 && std::strcmp(argv[1], "-p") == 0) {
        startcmd = std::string("PR") + argv[2] + "\r";
    } else if (argc == 2) {
        // A name the file field takes as typed goes through it as a FETCH
        // (or, when no such file exists, a NAME) command.  Any other name
        // (blanks, quotes, UTF-8) goes to the corefile as it is, held as
        // text is, and the command names it by "*", the corefile's own name.
        const std::string name = oxa::editorname(argv[1]);
        std::snprintf(oxa::curfile.data(), oxa::curfile.size(), "%s", name.c_str());
        struct stat st {};
        const bool there = ::lstat(argv[1], &st) == 0;
        const bool astyped = typeable(name);
        if (!astyped)
            std::snprintf(oxa::cur().filname.data(), oxa::cur().filname.size(), "%s",
                          name.c_str());
        startcmd = std::string(there ? "FE" : "NA") + (astyped ? name : std::string("*")) + "\r";
    }
    if (!startcmd.empty()) oxa::pushfn(startcmd.c_str());
    static const char cmdkey[] = {static_cast<char>(oxa::CMDKEY), 0};
    oxa::pushfn(cmdkey);
}

} // namespace

int main(int argc, char** argv) {
    if (badargs(argc, argv)) return 0;
    using namespace oxa;

    resetall();
    setwiremode(std::getenv("OXA_WIRE"));
    writetemplate(0);
    stermpars();
    getwindsize();
    initerm();
    // Every way out, also the end of the input, gives the terminal back.
    std::atexit(reseterm);
    // A driver program still running ends with the editor.
    std::atexit(resetprocesses);
    termrefresh();
    inptr = stdin;
    setsig();
    bormo::initbormo();
    gendis();
    discur();
    pushstartup(argc, argv);
    // What the start-up input changes is where undo starts from.
    undoskipstartup = true;
    editor();
    std::fflush(stdout);
    reseterm();
    return 0;
}
