// The syntax rule reader.
#include "bormo/syntax.hpp"

#include <cstring>

namespace bormo {

const char* const BARRIER_NAME = "%%%%%";

syn_rule* syntax_stack = nullptr;
transformation* trans_stack = nullptr;
int32_t activity = 0;
int32_t errorflag = 0;
int32_t curvar = 1;
std::array<std::array<char, VARNAMESIZE>, MAXVARS> varnames{};

void read_syntax(const char* filename) {}

const char* getrule(const char* name) {
    for (syn_rule* r = syntax_stack; r; r = r->next)
        if (r->name == name) return r->rules.c_str();
    return nullptr;
}

transformation* gettrans(const char* name) {
    for (transformation* t = trans_stack; t; t = t->next)
        if (t->name == name) return t;
    return nullptr;
}

const char* skip_compattr(const char* p) { return p; }
const char* skip_rule(const char* p) { return p; }
const char* skip_alternatives(const char* p, int n) { return p; }

void dump_syntax() {}
void resetsyntax() {}

}  // namespace bormo
