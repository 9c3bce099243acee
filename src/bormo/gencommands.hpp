// The generation commands: loading language files, the record of installed
// file kinds and their dependants, the loaded file names, and the engine's
// start-up.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace bormo {

// Bits of `installed`, one per file kind.
enum FileKindBit : int32_t {
    VF_AT = 0x1,    // attributes
    VF_US = 0x2,    // user syntax
    VF_SY = 0x4,    // syntax
    VF_MO = 0x8,    // morphology
    VF_TB = 0x10,   // tables
    VF_TM = 0x20,   // terminals
    VF_LE = 0x40,   // lexicon
    VF_IP = 0x80,   // IPA tables
    VF_MR = 0x100,  // morphological errors
    VF_TG = 0x200,  // tag information
    VF_SM = 0x400,  // semantic transformations
    VF_LX = 0x800,  // lexical transformations
    VF_GP = 0x1000, // global preselection
    VF_ALL = 0x1fff,
};

// One row of the file-kind table.
struct vfile_entry {
    const char* cmdletts;  // the kind's two-letter name
    int32_t filebits;      // bits removed with this kind: its own and its dependants'
    void (*uninstaller)(); // empties the kind (null: nothing to do)
    void (*initializer)(); // run at start-up (null: nothing to do)
    char putvlett;         // the front-end letter of the kind's file name
};

constexpr int NVFILES = 15;
extern const std::array<vfile_entry, NVFILES> vfile_table;

// Loaded file names, indexed by front-end letter minus '@' ('@' to 'z').
constexpr int NBORMOFILES = 59;
extern std::array<std::string, NBORMOFILES> bormofilename;

extern int32_t installed; // bit set of loaded kinds
extern int32_t synstat;   // load status of the last syntax file (2: it defined ROOT)
extern int32_t userstat;  // load status of the last user file

// Removes the installed kinds among `bits` (uninstallers, empty names to the
// front end), then writes "uninstalled: ..." in corefile 7.
void uninstall(int32_t bits);
// Removes the kinds of row `row` of `vfile_table`.
void uninstall_n(int row);
// Runs the initializer of every kind.
void initialize();
// "AT, LE" style list of the kinds in `bits`; "none" for no bits.
std::string bits_to_text(int32_t bits);
// The kinds named in a comma-separated list; 0 (after a message) on a bad character.
int32_t text_to_bits(const char* text);
// Sends a loaded file name to the front end and records it under `letter`.
void putbormofile(const char* name, char letter);
// Engine start-up: random seed, every kind emptied, built-in transformations.
void initbormo();

// Command operations (rows of the command table).
void vreadattr(); // ATTRIBUTE
void vreadsyn();  // SYNTAX
void vreaduser(); // USER
void vreadterm(); // TMNLS
void vreadlex();  // LEXICON
void vreadmorph();  // MORPHOLOGY
void vreadtables(); // TBLS
void addlex();    // VADDLEX
void rm_vfiles(); // RM_VFILES
void vdisplay();  // VDISPLAY
void vfreq();     // VFREQ
void rnset();     // RANDOM SEED
void rnprint();   // PSEED

// Generation side (src/bormo/genops.cpp).
constexpr int RESPONSESIZE = 200; // the response: 199 characters and the NUL
constexpr int NERRFUNCS = 21;     // error procedures for comparison results 0..20
extern std::array<char, RESPONSESIZE> response;           // the student's response
extern std::array<std::string, NERRFUNCS> error_function; // procedures by result
extern std::array<bool, NERRFUNCS> error_function_set;    // which of them hold one

// Takes the response from the cursor to the end of the current corefile.
void getresponse();

void mpasses();   // MPASSES
void verror();    // VERROR
void generate();  // edit key ESC g
void vcompare();  // edit key ESC k
// The response compared with tree n alone (a number typed after the key).
void vcompsingle(); // edit key ESC Ctrl-K
void disp_sent(); // edit key ESC m
void vglobpre();  // edit key ESC [ P

// Back to the start-up state without running any uninstaller.
void resetgencommands();

} // namespace bormo
