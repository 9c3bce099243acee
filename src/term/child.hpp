// The editor as a child process: started in its own session with pipes for
// its standard input, output and error, and the full message stream.
#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

namespace oxa::term {

struct child {
    pid_t pid = -1;
    int in = -1;  // the editor's standard input (keys go here)
    int out = -1; // its standard output (the messages)
    int err = -1; // its standard error
};

// The editor program beside this one: the directory of `self` (the path of
// the running program) and "oxa".
std::string besideself(const std::string& self);

// Starts `program` with `args` (without the program name), OXA_WIRE=full and
// the window size in LINES and COLUMNS.  On failure returns false with a
// message in `error` (a program that is missing or cannot run is reported
// here, not later).
bool startchild(const std::string& program, const std::vector<std::string>& args, int rows,
                int cols, child& c, std::string& error);

// Writes all of bytes to the editor; false when it can take no more (it ended).
bool sendbytes(child& c, const std::string& bytes);

// How the editor ended, in words: empty for a normal end (status 0).
std::string endreport(int waitstatus);

// Ends the editor if it still runs (its whole session): SIGTERM first, then
// after its grace time SIGKILL; collects it, closes the pipes and returns its
// wait status.  With `said`, what it still wrote on its standard error is
// added there.
int stopchild(child& c, std::string* said = nullptr);

} // namespace oxa::term
