// Leaving on a fatal signal without losing text.
//
// SIGTERM, SIGHUP and SIGQUIT give the terminal back, write every edited
// corefile to a recovery file, name each on standard error and end the program
// with status 128 + the signal's number.
//
// The handler itself does only what is safe in a signal handler.  While the
// editor waits for input the store is at rest, and the handler writes the
// recovery files at once with write(2); while an operation runs it only notes
// the signal, and the input layer acts on it before it next waits.  When the
// operation has not ended two seconds later, or a second signal comes, the
// program ends at once with the same recovery, made from what the store holds.
//
// Recovery file of a corefile: its file name with ".oxa-save" added (so it is
// in the file's directory), or "oxa-corefile-N.oxa-save" in the working
// directory for a corefile without a name; when that cannot be created, the
// same file name in $HOME.  A recovery file is always a new file: when the
// name is taken (an earlier crash, another editor), a number goes before the
// suffix ("notes.txt.2.oxa-save").  Recovery files are written in the file
// format and the corefile's encoding, as SAVE would write it, are readable by
// their owner only, and are reported by their full path.
#pragma once

#include <csignal>
#include <cstddef>

namespace oxa {

// The fatal signal waiting to be acted on (0: none).
extern volatile sig_atomic_t fatalsig;
// 1 while the input layer waits for a byte.
extern volatile sig_atomic_t waitinginput;

// Installs the handlers and notes $HOME for the fallback.
void setfatalsig();
void FatalHandler(int sig);

// Restores the terminal, removes a temporary file in mid-write, writes the
// recovery files, reports them on standard error and ends the program with
// status 128 + sig.  Safe in a signal handler.
[[noreturn]] void recoverexit(int sig);

// Writes the recovery file of every edited corefile and names each on
// standard error; returns how many corefiles were edited.  Safe in a signal
// handler.
int saveunsaved();

// Notes the working directory (at start-up and after each change of it), from
// which a relative recovery file name is made whole.
void noteworkdir();

// Writes the recovery file of corefile n; returns the path written in `path`
// (of `size` bytes) or false when neither place could be written.  Safe in a
// signal handler.
bool writerecovery(int n, char* path, size_t size);

// Called by the input layer just before it waits: leaves at once (through
// `recoverexit`) when a fatal signal has come.
inline void checkfatal() {
    if (fatalsig != 0) recoverexit(fatalsig);
}

} // namespace oxa
