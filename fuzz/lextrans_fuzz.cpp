// Fuzz target: the lexical-transformation rule reader and the run over the
// lexicon.  After the fixture's attributes, terminals and a small lexicon
// the input is read as a rule file; every rule loaded is then run, and the
// run must end with its variables free and its state reset.  Removing the
// rules empties the attribute entries they made.
#include <cstdint>
#include <cstring>

#include "bormo/lextrans.hpp"
#include "editor/files.hpp"
#include "lang_common.hpp"

namespace {

// Words of every terminal, with compounds of one and of two components.
constexpr const char* LEXICON = "\"cat\"|N|sg, masc|10|#1|\n"
                                "\"cats\"|N|pl, masc|10|#1|x|\n"
                                "\"big\"|ADJ|masc.pos|5|#1|\n"
                                "\"bigger\"|ADJ|masc.comp|5|#1|\n"
                                "\"the\"|DET|number|10|#1|\n"
                                "\"runs\"|V|sg|10|#1|\n";

void check_rule(const bormo::LTRULE* r) {
    if (!r->lsp1) __builtin_trap();
    for (const bormo::treenode* n = r->lsp1; n; n = n->right)
        if (!n->dictionary || !n->dictionary->class_ || !n->dictionary->fields) __builtin_trap();
    if (r->rhs.size() > static_cast<size_t>(bormo::LTRHSMAX)) __builtin_trap();
    for (bormo::lt_var_list v = r->rule_vars; v; v = v->next)
        if (v->index < 0 || v->index >= bormo::lt_delayptr) __builtin_trap();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    bormo::resetlextrans();
    const char* path = fuzzing::prepare_language(data, size);
    if (!path) return 0;
    fuzzing::load_terminals();
    static const std::string lex = fuzzing::fixture("lex", LEXICON);
    bormo::initdict();
    bormo::readdict(lex.c_str());
    bormo::readlextrans(path);
    fuzzing::check_after_load();
    if (bormo::lt_delayptr < 0 || bormo::lt_delayptr > bormo::DELAYSIZE) __builtin_trap();
    if (bormo::ltruleheader[0] != nullptr) __builtin_trap();
    oxa::corenum = 1;
    for (int n = 1; n < bormo::MAXLTRULES; ++n) {
        if (!bormo::ltruleheader[n]) continue;
        check_rule(bormo::ltruleheader[n].get());
        bormo::inittrans(n);
        if (bormo::lt_rule_num != n) __builtin_trap();
        bormo::exectrans();
        if (bormo::InProgress != 0 || !bormo::lt_stack.empty()) __builtin_trap();
        for (bormo::lt_var_list v = bormo::ltruleheader[n]->rule_vars; v; v = v->next)
            if (bormo::lt_delayed[v->index].choice != -1) __builtin_trap();
        if (bormo::resptr < 0 || bormo::resptr >= bormo::LTRESULTSIZE) __builtin_trap();
    }
    if (!oxa::checkstore().empty()) __builtin_trap();
    bormo::purge_lt_rules();
    if (bormo::lt_delayptr != 0 || bormo::lt_rule_num != -1) __builtin_trap();
    bormo::resetlexicon();
    bormo::clearattributes();
    return 0;
}
