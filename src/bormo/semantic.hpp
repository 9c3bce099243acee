// Semantic expressions: a predicate and its arguments written as attribute
// values, for example verb(agent[sg], object).  The semantic transformation
// file holds patterns of such expressions, each with prototypes of the
// preselection entries the expression should produce; analysing the current
// line writes a PRESELECT rule into corefile 14, ready to be saved beside a
// syntax file and loaded.
//
// Forms of an expression:
//   dotted     predicate.arg.arg   '(' and ',' become '.', ')' and blanks go,
//              bracketed attribute lists are kept; element 0 is an empty place
//   top level  pred|arg|arg|       each argument takes with it as many
//              following elements as the valences of its elements require
#pragma once

#include <string>
#include <vector>

namespace bormo {

constexpr int SEMBUFSIZE = 2000;  // characters of a name, prototype or expression
constexpr int PRESELCORE = 14;    // corefile that receives the PRESELECT text
constexpr int MAXSEMDEPTH = 20;   // nesting of re-analysed expressions

struct sem_prot {
    int reanalyse;         // 1 when written with '&': a new expression to analyse
    std::string prototype; // the text
    sem_prot* next;
};
using Semantic_Prot = sem_prot;

struct sem_trans {
    int form;         // 1: a whole expression; 2: the predicate alone ('$')
    std::string name; // the pattern text
    sem_prot* first;  // prototypes in file order
    sem_prot* last;
    sem_trans* next;
};
using Semantic_Trans = sem_trans;

struct sem_expr {
    std::string original;       // dotted form
    std::string top_level_orig; // top-level form
    int analysed;               // 1 once matched
};
using Semantic_Expr = sem_expr;

extern sem_trans* sem_trans_list; // newest first
extern int depthStack;            // nesting of re-analysed expressions
extern std::string semexpr;       // the expression taken by vmakepre

void read_sem_trans(const char* name);
void clear_sem_trans();

// The dotted form of an expression text.
std::string dotted_form(const std::string& text);
// Fills expr.top_level_orig from expr.original; false (after a message) when
// an argument is not an attribute value or the valences do not fit.
bool top_level(sem_expr& expr);
// The first transformation matching the expression, or null.
sem_trans* sem_match(const sem_expr& expr);
// Analyses one expression: writes its PRESELECT rule to corefile 14.
void analyse_sem_expr(const std::string& text);

void vreadsem(); // SMTRANSF
void vmakepre(); // edit key ESC H

// Frees the transformations; start-up and tests use it.
void resetsemantic();

} // namespace bormo
