// oxa-check, the language-pack checker: loads a pack with the engine's own
// readers, points every reader message at its file, line and column, runs
// the checks that need the whole pack loaded, and samples generations.
#pragma once

#include <array>
#include <cstdio>
#include <string>
#include <vector>

namespace check {

// ---- Findings (diagnostics.cpp) ----

enum Severity : int { S_ERROR = 0, S_WARNING = 1 };

struct Diagnostic {
    std::string file; // empty for a finding about the pack as a whole
    int line;         // 0 when unknown
    int col;          // 0 when unknown
    Severity sev;
    std::string message;
};

extern std::vector<Diagnostic> findings;

void report(const std::string& file, int line, int col, Severity sev, const std::string& message);
int errorcount();
int warningcount();
// FILE:LINE:COLUMN: error|warning: message
std::string format_text(const Diagnostic& d);
// One JSON object on one line: file, line, column, severity, message.
std::string format_json(const Diagnostic& d);
// Prints the findings in the order they were made; warnings are left out when quiet.
void printfindings(FILE* out, bool json, bool quiet);
void resetdiagnostics();

// ---- The files of a pack (load.cpp) ----

// Kinds of file, in the order they are loaded.
enum Kind : int {
    K_ATTRIBUTES,
    K_TERMINALS,
    K_LEXICON,
    K_MORPHOLOGY,
    K_TABLES,
    K_SYNTAX,
    K_USER,
    K_TAGS,
    K_MERRORS,
    K_PHONOLOGY,
    NKINDS
};

// One row per kind.  Columns: file name in a pack directory, option naming
// the file, whether a pack must have it.
struct kindrow {
    const char* filename;
    const char* option;
    bool required;
};
extern const std::array<kindrow, NKINDS> kindtable;

extern std::array<std::string, NKINDS> packfile; // the file of each kind, empty when none

// Where an identifier was read.
struct occurrence {
    std::string ident;
    std::string file;
    int line;
    int col;
};
// Every identifier of each kind of file, in the order read.
extern std::array<std::vector<occurrence>, NKINDS> idents;

// Every item (syntax rule, "rule NAME", "table NAME") each kind of file
// started, where its name was read, in file order.
extern std::array<std::vector<occurrence>, NKINDS> items;

// Fills packfile from a directory (the kinds not already given).
void findfiles(const std::string& dir);
// Starts the engine and the store as the editor does, quietly.
void initengine();
// Loads every file in packfile in dependency order; reader messages become findings.
void loadpack();
// The first place an identifier was read in files of `kind`, or null.
const occurrence* firstplace(int kind, const std::string& ident);
// The n-th (from 0) place, or null.
const occurrence* nthplace(int kind, const std::string& ident, int n);
void resetload();

// ---- The checks on the loaded pack (packcheck.cpp) ----

void checkpack();

// ---- Display names (names.cpp) ----

// Checks each names-<language> file of a pack directory: well-formed lines,
// and a name for every value a FORM explanation can show.
void checkvaluenames(const std::string& dir);

// ---- Sampling (sampling.cpp) ----

struct samplesummary {
    int runs;
    int sentences;
    int empty;
    int cut;
};
// Generates `runs` sets of sentences from `seed` and reports each run-time
// error line with the number of runs that wrote it.
samplesummary samplepack(int runs, unsigned long seed);

// A message with runs of blanks made single and no blank at its end.
std::string squeeze(const std::string& s);
bool startswith(const std::string& s, const std::string& p);

} // namespace check
