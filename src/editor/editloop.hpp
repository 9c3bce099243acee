// The edit loop: one table row per edit code, one operation per object type.
//
// Each pass takes one edit code from the input stream, looks up its row in
// `edittable`, checks the repeat limit, the full-store refusal and the
// compatibility masks, runs the row's operation for the current corefile's
// object type (`viewtype`), then repairs the cursor, repaints, applies the
// row's side-effect flags, collects garbage when due and sends the status.
#pragma once

#include <array>
#include <cstdint>
#include <cstdio>

namespace oxa {

using Operation = void (*)();

// Side-effect flags of an `edtable` row.
constexpr uint32_t SE_LINE = 1;  // "L": recompute `curline` afterwards
constexpr uint32_t SE_EDIT = 2;  // "E": mark the corefile edited
constexpr uint32_t SE_SPACE = 8; // "S": refused while the store is full

// Compatibility masks of a row (`cmpmask`): object types on which the code may
// run whatever the current line's kind.
constexpr uint32_t CMP_NONE = 0;
constexpr uint32_t CMP_LINES = 0x7B; // types 0, 1, 3, 4, 5, 6
constexpr uint32_t CMP_ALL = 0xFF;
// Return: the lines' types and type 7, where it leads back to command entry.
constexpr uint32_t CMP_RETURN = CMP_LINES | 0x80;

constexpr int NEDITCODES = 107; // edit codes 0..106 have a row
constexpr int NOBJTYPES = 8;    // object types 0..7
constexpr int NLINEKINDS = 7;   // line kinds 0..6

struct edtable {
    uint32_t sideffects;
    int32_t replimit;
    uint32_t cmpmask;
    std::array<Operation, NOBJTYPES> operatn;
};

extern const edtable edittable[NEDITCODES];

// Compatibility masks.
extern const std::array<uint32_t, NOBJTYPES> editmask;  // 1 << object type
extern const std::array<uint32_t, NLINEKINDS> viewmask; // object types per line kind
extern uint32_t cureditmask; // editmask of the current corefile's object type
extern uint32_t curviewmask; // viewmask of the current line's kind
extern uint32_t curopmask;   // cmpmask of the code being run

// Loop state.
extern int32_t overflg; // the loop runs while 0
extern int32_t repflag; // 1: repeat limit off (initial); 0: on
extern int32_t mode;    // 0 command, 1 overwrite typing (initial), 2 insert typing

// The edit loop; returns when `overflg` is set.
void editor();

// One pass of the loop for an edit code already fetched: repeat count,
// refusals, the operation and the work after it.  `table` is `edittable`
// except in tests, which run the loop logic on rows of their own.
void editpass(int32_t code, const edtable* table = edittable);

// Refreshes `curviewmask` from the kind of the current line.
void setviewmask();

// Edit operations and commands of the loop.
void noop();
void identify();
void goodbye();
void inmode();
void uclcsw();
void show();
// Redraws everything (also the GENERATE DISPLAY command).
void gendis();

// End of file on standard input: names each unsaved corefile on stderr,
// restores the terminal and exits with status 0.  Called by the input stream.
[[noreturn]] void eofexit();
// When set, called by eofexit before anything else: the unit tests set it so
// that a test which reads past its scripted input fails loudly instead of
// ending the test program with status 0.
extern void (*eofhook)();

// Writes one line per unsaved (edited) corefile to `out`; returns their count.
int unsavedreport(std::FILE* out);

// Restores the loop's initial state.
void reseteditloop();

} // namespace oxa
