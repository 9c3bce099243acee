// Fuzz target: the syntax rule reader.  After the fixture's attribute file
// the input is read as a syntax file; the stored rules and transformations
// are walked with the scanners the generator uses, and unloading the file
// must leave only the built-in transformations.
#include <cstdint>
#include <cstring>

#include "lang_common.hpp"

namespace {

bool is_barrier(const std::string& name) {
    return name == bormo::BARRIER_NAME;
}

void check_rule(const bormo::syn_rule* r) {
    const char* text = r->rules.c_str();
    size_t len = r->rules.size();
    if (len >= static_cast<size_t>(bormo::CFBUFSIZE)) __builtin_trap();
    if (is_barrier(r->name)) return;
    if (r->name.empty() || r->name.size() > static_cast<size_t>(bormo::MAXIDENT)) __builtin_trap();
    // The newest rule of a name is the one found.
    if (bormo::getrule(r->name.c_str()) == nullptr) __builtin_trap();
    if (r->name == "PRESELECT") return;
    // An unguarded right-hand side is walked to a segment start or the end,
    // never past the stored text.
    if (len > 0 && static_cast<unsigned char>(text[0]) == bormo::SYN_RHS) {
        const char* end = bormo::skip_rule(text + 1);
        if (end < text + 1 || end > text + len) __builtin_trap();
        if (*end && *end != '<' && *end != '>') __builtin_trap();
    }
    // Every choice group's alternatives are passed without leaving the text.
    for (size_t i = 0; i + 1 < len; i++) {
        if (text[i] != '(') continue;
        const char* end = bormo::skip_alternatives(text + i + 2, 0);
        if (end < text + i + 2 || end > text + len) __builtin_trap();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const char* path = fuzzing::prepare_language(data, size);
    if (!path) return 0;
    bormo::read_syntax(path);
    fuzzing::check_after_load();
    if (bormo::v_stat < 0 || bormo::v_stat > 2) __builtin_trap();
    if (bormo::activity != 0 || bormo::errorflag != 0) __builtin_trap();
    if (bormo::curvar < 1 || bormo::curvar > bormo::MAXVARS) __builtin_trap();
    if (bormo::v_stat == 2 && bormo::getrule("ROOT") == nullptr) __builtin_trap();

    for (bormo::syn_rule* r = bormo::syntax_stack; r; r = r->next)
        check_rule(r);
    for (bormo::transformation* t = bormo::trans_stack; t; t = t->next) {
        if (t->priority < 0 || t->priority > bormo::MAXPRIORITY) __builtin_trap();
        if (!is_barrier(t->name) && bormo::gettrans(t->name.c_str()) == nullptr) __builtin_trap();
        for (bormo::sub_trans* s = t->first; s; s = s->next)
            if (s->guard.size() >= static_cast<size_t>(bormo::CFBUFSIZE) ||
                s->rule.size() >= static_cast<size_t>(bormo::CFBUFSIZE))
                __builtin_trap();
    }

    // Unloading removes everything the file added.
    bormo::dump_syntax();
    if (bormo::syntax_stack != nullptr) __builtin_trap();
    for (bormo::transformation* t = bormo::trans_stack; t; t = t->next)
        if (t->functionPtr == nullptr) __builtin_trap();
    bormo::resetsyntax();
    bormo::clearattributes();
    return 0;
}
