// Shell commands and the driver program.
//
// Shell commands (SHELL, UNIX SHELL, DIRECTORY) run "/bin/sh" as a child while
// the editor waits.  One driver program runs beside the editor, connected by
// two pipes: its standard output is the editor's input stream (it types
// commands and text), and the editor writes to its standard input (EMIT to
// the driver, ASK answers, stored trees, the sentence hand-over and line-feed
// acknowledgements).  The driver is suspended, resumed and killed by SWITCH,
// by the input control codes and by the suspend signal.
//
// Every child that ends is collected by the SIGCHLD handler, so none is left
// behind as a zombie.
#pragma once

#include <sys/types.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string_view>

#include "wire/protocol.hpp"
#include <string>

namespace oxa {

// Driver states.
constexpr int32_t PROG_NONE = 0;
constexpr int32_t PROG_RUNNING = 1;
constexpr int32_t PROG_SUSPENDED = 2;

extern int32_t progstate;            // PROG_NONE, PROG_RUNNING or PROG_SUSPENDED
extern pid_t child_pid;              // the driver's process id
extern std::array<int, 2> oxapipe;   // driver to editor (read end 0, write end 1)
extern std::array<int, 2> progpipe;  // editor to driver
extern FILE* oxainput;               // read stream on oxapipe
extern FILE* oxaoutput;              // write stream on progpipe
extern int32_t voluntary;            // 1: suspended on request, so resuming acknowledges
// Set where no program may be started (the editor fuzz target): shell
// commands, listings and drivers then fail as if the system refused them.
extern bool nochildren;
extern int32_t progtrans;            // set when a driver starts

// Shell strings.
constexpr const char* SHELLPATH = "/bin/sh";
constexpr const char* COMMANDFLAG = "-c";
constexpr const char* INTERACTFLAG = "-i";
constexpr const char* SHORTDIR = "ls";
constexpr const char* LONGDIR = "ls -l";
constexpr const char* TOPDIR = "ls ..";

// The message that tells the front end input has returned to the keyboard.
constexpr const char* KEYBOARDMSG = "$mU###";
static_assert(std::string_view(KEYBOARDMSG).starts_with(wire::status('U')));

// Commands.
void calsys();    // SHELL, UNIX SHELL
void directory(); // DIRECTORY
void changedir(); // CDIRECTORY
void runprog();   // RUN
void swinput();   // SWITCH

// Driver control, used by SWITCH, the input control codes and the signals.
void suspendprog();
void resumeprog();
void killprog();
void acknowledge();

// The input control codes and end of file on the driver's output (the
// input stream's `driverctl`): 13 resume (input from the driver again), 14
// suspend voluntarily (input from the keyboard), 15 kill (keyboard), 16
// acknowledge.
void drivercontrolcode(int code);

// Sends bytes to the running driver's input and flushes.  Returns false when
// no driver runs; a write that fails (the driver has gone) kills it.
bool tellprog(const char* text, size_t len);
// After a write to `oxaoutput` by another module: a failed stream means the
// driver has gone away, and it is killed.
void checkprogoutput();

// Children.  Each returns only in the parent; in the child they execute or
// end with status 1.
[[noreturn]] void call_execl(const char* flags);
[[noreturn]] void call_execlp();
[[noreturn]] void call_listcom(const char* command, const char* name, const char* file,
                               const char* from, const char* to, const char* copies,
                               const char* init);

// Runs `command` through "/bin/sh" with `flags` and waits for it.  Returns
// its wait status, or -1 when no child could be started.
int runshell(const char* flags, const char* command);
// Starts a child that runs `command` with `args` (searched on the path)
// beside the editor.  Returns -1 when it could not be started, 127 when the
// program could not be executed, else 0.
int startprogram(const char* command, const char* const* args);

// A text quoted for the shell: one argument whatever blanks, quotes or
// semicolons it holds.
std::string shellquote(const char* text);

// Installs the SIGCHLD and SIGPIPE handlers.
void setchildsig();

// Kills a running driver and restores the initial state (start-up and tests).
void resetprocesses();

} // namespace oxa
