// Compound attribute texts of stored rules kept as codes.  The guards and the
// table references of morphology name the same few compounds for every word
// of every sentence; once read, a compound is kept as its rows (type, value,
// '/' mark) together with the entries of the sorted name table those rows
// came from.  Before kept rows are used, each name is checked against the
// name table as it is now: the entry is still there, with the same type and
// value, and no other entry carries the same name (so the binary search of
// lookup_attr would find it again).  A name is checked once per evaluation
// pass (a morphology pass, or a guard or expression evaluated on its own)
// in which it is used; when one no longer reads the same, every kept name is
// forgotten and the compounds are read and kept again.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "bormo/engine.hpp"

namespace bormo {

constexpr int MAXCODEDROWS = 8; // compounds with more components are read afresh

// A compound text read into its rows.
struct codedcompound {
    uint64_t registry = 0; // the registry generation the ids belong to; 0: not coded
    int count = 0;         // rows
    bool all_values = true; // no row is a bare type
    std::array<attr_row, MAXCODEDROWS> rows{};
    std::array<int, MAXCODEDROWS> names{}; // the kept names read, by number
};

// The registry generation, the evaluation pass (see codepass below) and, for
// each kept name, the last pass in which it was found to read the same.
extern uint64_t coderegistry;
extern uint64_t codepassnumber;
extern int codepassdepth;
extern std::vector<uint64_t> codenamechecked;

// Checks kept name k; when it has changed, forgets them all.
bool check_kept_name(int k);

// Codes the reading just made by text_to_comp_array(text, ...) that stopped
// at `end` (the working array holds its rows).  False, leaving c not coded,
// for a text naming a variable, with no row or too many, or whose names are
// not unique in the name table.
bool code_compound(const char* text, const char* end, codedcompound& c);

// True when c is coded and every name it was read from still reads the same.
inline bool coded_current(const codedcompound& c) {
    if (c.registry != coderegistry) return false;
    for (int i = 0; i < c.count; ++i) {
        int k = c.names[static_cast<size_t>(i)];
        if (codenamechecked[static_cast<size_t>(k)] != codepassnumber && !check_kept_name(k)) return false;
    }
    return true;
}

// The first compound of list whose components match c's rows, exactly as
// find_attr matches the working array (open values met are fixed the same way).
comp_attr find_coded(const codedcompound& c, attr_list list);

// find_coded, remembering the answers given since forget_found: a guard
// tries the same compound on the same node again and again (every subrule
// of a rule may begin with it), and the answer cannot change while one
// expression is evaluated: nothing then changes an attribute list, and the
// values the first search fixed stay fixed.
void forget_found();

// The answers of find_coded_again for one-component compounds, by kept name;
// those given since forget_found carry the count codefoundcount.
struct foundanswer {
    uint64_t given = 0;
    attr_list list = nullptr;
    int mstate = 0;
    comp_attr found = nullptr;
};
extern std::vector<foundanswer> codefound;
extern uint64_t codefoundcount;
extern int MState;

// find_coded_again for an answer not given yet: searches and remembers it.
comp_attr find_coded_afresh(const codedcompound& c, attr_list list);
inline comp_attr find_coded_again(const codedcompound& c, attr_list list) {
    if (c.count == 1 && c.registry == coderegistry) {
        auto k = static_cast<size_t>(c.names[0]);
        if (k < codefound.size()) {
            const foundanswer& a = codefound[k];
            if (a.given == codefoundcount && a.list == list && a.mstate == MState) return a.found;
        }
    }
    return find_coded_afresh(c, list);
}

// Opens an evaluation pass; nested openings belong to the outer pass.  Names
// are checked again in every new pass.
struct codepass {
    codepass() {
        if (codepassdepth++ == 0) {
            ++codepassnumber;
            ++codefoundcount;
        }
    }
    ~codepass() { --codepassdepth; }
    codepass(const codepass&) = delete;
    codepass& operator=(const codepass&) = delete;
};

// Forgets every kept name; coded compounds become not coded.
void resetattrcodes();

} // namespace bormo
