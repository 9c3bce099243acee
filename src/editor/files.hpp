// File commands: the file-name checkers, FETCH, APPEND, INSERT, SAVE,
// OVERWRITE, JOIN, DELETE, EMIT and PROCEDURE, the line reader and writer of
// the on-disk text format, and whole-file loads into memory buffers.
//
// On-disk format: one corefile line per file line, ended by a line feed (a
// carriage return before it when `lfonly` is 0).  Line kinds other than text
// carry a two-byte prefix: backslash r (record), m (formula), h, a, l.
#pragma once

#include <cstdint>
#include <cstdio>

#include "editor/store.hpp"

namespace oxa {

// Reader and writer state.
extern FILE* fptr;         // the open stream
extern int32_t ioerr;      // 0 good, 1 truncated, 2 end of file, 3 bad picture
extern int32_t linetype;   // kind of the line just read
extern LINE* curline;      // line being written

// The options `octflag`, `fetchstyle` and `lfonly` are settings of the
// command processor (commands.hpp).

// Whole-file buffers, each owned by its pointer and replaced on the next load
// of its kind.  `loadtype` selects which one `readfile` fills.
constexpr int LOADBUFSIZE = 5120;  // including the terminator
extern char* tempbufptr;  // load type 1: record templates, ends in byte 4
extern char* loadbufptr;  // load type 2: procedure files, ends in NUL
extern char* mrgbufptr;   // load type 3: merge templates, ends in NUL
extern int32_t loadtype;

// Default line range of the file commands.
constexpr int32_t MAXLINENUM = 200000;

// Checkers: each refuses by showing its message and setting del = 2.
void fpr();
void fpw();
void faw();
void fpx();
void fprs();

// Commands.
void fetchfile();
void appendfile();
void insrtfile();
void savefile();
void ovrwritefile();
void join();
void deletefile();
void emit();
void loadfile();

// Reads the file `curfile` (lines param[2]..param[3]) below the cursor line.
void getfile();
// Writes lines param[2]..param[3] of the current corefile to `curfile`,
// truncating (`appending` false) or appending; with `backup`, the old file
// is kept under that name once the new text is safely written.
void putfile(bool appending, const char* backup = nullptr);
// Writes lines first..last of the current corefile to `out` in the file format;
// with `detrail`, every line of the corefile loses its trailing blanks on the
// way (`detrfile` in the same walk).  Returns false when a write failed.
bool pfile(FILE* out, int32_t first, int32_t last, bool detrail = false);

// Loads the file `curfile` whole into the buffer of `loadtype` (1, 2 or 3).
// Returns false (after telling the user) when it cannot be read or is larger
// than the buffer; the previous buffer of that kind is then left as it was.
bool readfile();

// Frees the buffers and clears the reader state.
void resetfiles();

}  // namespace oxa
