// Compound attribute texts of stored rules kept as codes.  The guards and the
// table references of morphology name the same few compounds for every word
// of every sentence; once read, a compound is kept as its rows (type, value,
// '/' mark) for the pack revision it was read at: the names of the rows can
// only mean something else in another revision.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "bormo/engine.hpp"

namespace bormo {

extern uint64_t packrevision; // the pack's revision (bormo/packindex.hpp)

constexpr int MAXCODEDROWS = 8; // compounds with more components are read afresh

// A compound text read into its rows.
struct codedcompound {
    uint64_t revision = 0;  // packrevision when read; 0: not coded
    int count = 0;          // rows
    bool all_values = true; // no row is a bare type
    std::array<attr_row, MAXCODEDROWS> rows{};
    int answer = -1; // one row: its place among the remembered answers
};

// Codes the reading just made by text_to_comp_array(text, ...) that stopped
// at `end` (the working array holds its rows).  False, leaving c not coded,
// for a text naming a variable, or with no row or too many.
bool code_compound(const char* text, const char* end, codedcompound& c);

// True when c was coded in the pack's revision.
inline bool coded_current(const codedcompound& c) {
    return c.revision == packrevision;
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

// The answers of find_coded_again for one-row compounds, by the row; those
// given since forget_found carry the count codefoundcount.
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
    if (c.answer >= 0) {
        auto k = static_cast<size_t>(c.answer);
        if (k < codefound.size()) {
            const foundanswer& a = codefound[k];
            if (a.given == codefoundcount && a.list == list && a.mstate == MState) return a.found;
        }
    }
    return find_coded_afresh(c, list);
}

// Opens an evaluation pass (a morphology pass, or a guard or expression
// evaluated on its own); nested openings belong to the outer pass.  Answers
// are remembered within one pass.
extern int codepassdepth;
struct codepass {
    codepass() {
        if (codepassdepth++ == 0) ++codefoundcount;
    }
    ~codepass() { --codepassdepth; }
    codepass(const codepass&) = delete;
    codepass& operator=(const codepass&) = delete;
};

// Forgets the remembered answers.
void resetattrcodes();

} // namespace bormo
