// Fuzz target: the semantic transformation reader and the analysis of an
// expression.  The input's first line is the expression, the rest the
// transformation file (read after the fixture's attribute file, which gives
// some values valences).  Reading must end, and corefile 14 must end with a
// "%" line whenever a PRESELECT heading was written without a refusal.
#include <cstdint>
#include <cstring>
#include <string>

#include "bormo/semantic.hpp"
#include "lang_common.hpp"

namespace {

constexpr const char* SEMATTRS = "pred ( 2 see , 3 give , 1 very , sleep ) "
                                 "animal ( cat , dog ) number ( sg , pl ) %";

std::string last_line(int corefile) {
    const oxa::COREFILE& c = oxa::core[corefile];
    for (oxa::LINE* l = c.header->up; l != c.header; l = l->up)
        if (l->object != oxa::K_EMPTY)
            return std::string(reinterpret_cast<const char*>(&oxa::textbase[l->index]),
                               static_cast<size_t>(l->length));
    return "";
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    bormo::resetsemantic();
    const uint8_t* nl = static_cast<const uint8_t*>(std::memchr(data, '\n', size));
    size_t exprlen = nl ? static_cast<size_t>(nl - data) : size;
    std::string expr(reinterpret_cast<const char*>(data), exprlen);
    for (char& c : expr) // the expression comes from a line, which never holds byte 255
        if (static_cast<unsigned char>(c) == 0xFF) c = '?';
    size_t rest = nl ? size - exprlen - 1 : 0;
    const char* path = fuzzing::prepare(nl ? nl + 1 : data + size, rest);
    if (!path) return 0;
    static const std::string attrs = fuzzing::fixture("semattr", SEMATTRS);
    bormo::readattr(attrs.c_str());
    bormo::read_sem_trans(path);
    fuzzing::check_after_load();
    for (bormo::sem_trans* t = bormo::sem_trans_list; t; t = t->next) {
        if (t->form != 1 && t->form != 2) __builtin_trap();
        if (!t->first || t->name.size() >= static_cast<size_t>(bormo::SEMBUFSIZE)) __builtin_trap();
        for (bormo::sem_prot* p = t->first; p; p = p->next)
            if (p->prototype.size() >= static_cast<size_t>(bormo::SEMBUFSIZE)) __builtin_trap();
    }
    bormo::analyse_sem_expr(expr);
    if (bormo::depthStack != 0) __builtin_trap();
    std::string last = last_line(bormo::PRESELCORE);
    bool refused = last == "No match found for semantic expression" ||
                   last == "There was a problem processing the semantic expression" ||
                   last.rfind("Semantic expression", 0) == 0 || last == "PRESELECT = ";
    if (!refused && last != "%" && !last.empty()) __builtin_trap();
    if (!oxa::checkstore().empty()) __builtin_trap();
    bormo::resetsemantic();
    bormo::clearattributes();
    return 0;
}
