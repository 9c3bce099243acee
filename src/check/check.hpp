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
// Text as a JSON string: quotes, backslashes and control characters escaped;
// bytes above 127 are Latin-1 letters and are written as UTF-8.
std::string jsonstring(const std::string& s);
// Latin-1 text as UTF-8, for the terminal.
std::string utf8(const std::string& s);

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

// Every item (syntax rule, "rule NAME", "table NAME", a lexicon entry by its
// word without quotes) each kind of file started, where its name was read, in
// file order.
extern std::array<std::vector<occurrence>, NKINDS> items;

// The kinds whose file has a quote left open: what follows it was read
// wrongly, so the checks of the whole pack and the samples would only repeat
// that one mistake.
extern std::array<bool, NKINDS> cutshort;
// True when no file was cut short.
bool readwhole();

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
// Given each run's sentence lines ("Question  : ...") in order, the run
// counted from 1.
using sentencesink = void (*)(int run, const std::vector<std::string>& lines);
// Generates `runs` sets of sentences from `seed` and reports each run-time
// error line with the number of runs that wrote it; each run's sentences go
// to `sink` when one is given.
samplesummary samplepack(int runs, unsigned long seed, sentencesink sink = nullptr);

// ---- Printing the sentences of the samples (print.cpp) ----

// Where and how `printrun` prints: text lines, or one JSON object a sentence.
void setprint(FILE* out, bool json);
// A sentencesink: prints one run's sentences for proof-reading.
void printrun(int run, const std::vector<std::string>& lines);

// ---- Did you mean (suggest.cpp) ----

// Edits (insertion, deletion, change, swap of neighbours) from a to b.
size_t editdistance(const std::string& a, const std::string& b);
// The names of `names` closest to `name` within a few edits (none when none
// is that close), in alphabetical order, at most three.
std::vector<std::string> closest(const std::string& name, const std::vector<std::string>& names);
// " (did you mean X?)", " (did you mean X or Y?)", or "" when no name is close.
std::string didyoumean(const std::string& name, const std::vector<std::string>& names);
// Every attribute type and value name of the loaded attribute file.
std::vector<std::string> attributenames();
// For an unknown attribute name: the close names with the values of their
// types, " (did you mean masc? gender: masc, fem)", or the types when no
// name is close.
std::string attributehint(const std::string& name);

// A message with runs of blanks made single and no blank at its end.
std::string squeeze(const std::string& s);
bool startswith(const std::string& s, const std::string& p);

} // namespace check
