// The command processor's parameters, as the operations read them: the
// converted values of the command being run, the string-parameter buffers and
// the settings the setter commands keep.  Operations include this header, not
// the command processor's.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace oxa {

// Parameter values of the command being run.
constexpr int NPARAM = 25;
extern std::array<int32_t, NPARAM> param; // filled from index 1

// String-parameter buffers (48 characters and the NUL each).
constexpr int STRSIZE = 49;
using strparam = std::array<char, STRSIZE>;
extern strparam curfile;      // file name for file commands
extern strparam scanpattern;  // search pattern
extern strparam mrgstring;    // merge string
extern strparam expression;   // expression template
extern strparam sysstring;    // shell command
extern strparam termstring;   // terminal string
extern strparam picstring;    // file names of the generation commands
extern strparam mathstring;   // the evaluator's input
extern strparam recboolcheck; // record check of FETCH, APPEND, INSERT
extern strparam targetstring; // replacement pattern, new file name
extern strparam listfile;
extern strparam listinitfile;
extern strparam v_error; // the error function string

// Settings kept by the setter commands and read elsewhere.
constexpr int NTABS = 145;
extern int32_t lmargin;                 // left margin column (1)
extern int32_t rmargin;                 // right margin column (72)
extern std::array<uint8_t, NTABS> tabs; // tab stop flags per column 0..144
extern int32_t jmode;                   // 0 no justification, 1 right-justify
extern int32_t hyphlevel;               // degree of hyphenation 0..3
extern int32_t scanunit;                // the search unit of FIND and SCANSET
extern int32_t crinsert;                // what return does (0, 1, 2; initially 1)
extern int32_t fetchstyle;              // 1 kind prefixes recognised, 2 not
extern int32_t octflag;                 // 0 tabs expanded on reading, 1 kept
extern int32_t lfonly;                  // 1 lines written with LF only, 0 with CR LF
extern int32_t askanswers;              // 1 when ASK answers go to the driver program

// Where ASK answers go: installed by the layer that runs a driver program
// while one runs (null otherwise).  Each call is one piece of an answer; the
// layer writes it to the driver program's input and flushes.
using askreplyfn = void (*)(const char* text, size_t len);
extern askreplyfn askreply;

// Restores the initial values of everything above.
void resetparams();

} // namespace oxa
