// The generation side of the engine's commands and edit keys: morphology
// passes, frequency variation, error procedures, generating, comparing the
// response with the generated sentences, copying a sentence and the global
// preselection.
#include <cstring>
#include <string>

#include "bormo/compare.hpp"
#include "bormo/expansion.hpp"
#include "bormo/gencommands.hpp"
#include "bormo/lexicon.hpp"
#include "bormo/sentences.hpp"
#include "bormo/syntax.hpp"
#include "bormo/vline.hpp"
#include "editor/frontend.hpp"
#include "editor/input.hpp"
#include "editor/params.hpp"
#include "editor/repaint.hpp"
#include "editor/store.hpp"

namespace bormo {

std::array<char, RESPONSESIZE> response{};
std::array<std::string, NERRFUNCS> error_function;
std::array<bool, NERRFUNCS> error_function_set{};

void getresponse() {
    std::string r;
    const oxa::COREFILE& c = oxa::core[oxa::corenum];
    bool blank = true; // drops leading blanks and runs of blanks
    auto take = [&](char ch) {
        if (ch == ' ' || ch == '\t') {
            if (!blank) r += ' ';
            blank = true;
        } else {
            r += ch;
            blank = false;
        }
    };
    bool first = true;
    for (oxa::LINE* l = c.lnptr; l && l != c.header; l = l->down) {
        if (l->object != oxa::K_EMPTY) {
            int32_t from = first ? c.curcol - 1 : 0;
            if (from < 0) from = 0;
            for (int32_t i = from; i < l->length; ++i)
                take(static_cast<char>(oxa::textbase[l->index + i]));
        }
        take(' '); // the line end
        first = false;
    }
    if (r.size() > RESPONSESIZE - 1) r.resize(RESPONSESIZE - 1);
    if (!r.empty() && r.back() == ' ') r.pop_back();
    std::memcpy(response.data(), r.c_str(), r.size() + 1);
}

void mpasses() {
    int t = oxa::param[1];
    if (t > 21 || t < 0) {
        oxa::diserr("tree number too large");
        return;
    }
    if (oxa::param[2] == 0) {
        oxa::diserr("first pass cannot be null");
        return;
    }
    for (int k = 1; k <= 4; ++k)
        morph_passes[t][k] = oxa::param[k + 1];
    if (t == 21) oxa::diserr("phonology passes have been set");
}

void verror() {
    int k = oxa::param[1];
    if (k > 20 || k < 0) {
        oxa::diserr("Integer too high");
        return;
    }
    error_function[k] = oxa::v_error.data();
    error_function_set[k] = true;
}

void generate() {
    if (!(installed & VF_LE)) {
        oxa::diserr("There is no lexicon");
        return;
    }
    if ((synstat == 0 && userstat == 0) || !getrule("ROOT")) {
        oxa::diserr("There is no ROOT rule");
        return;
    }
    if (oxa::full != 0) {
        oxa::diserr("files full; command ignored");
        return;
    }
    // A run that fills the store stops writing: its lines stay whole.
    v_overflow = false;
    v_stop_on_overflow = true;
    interpret();
    v_stop_on_overflow = false;
    if (v_overflow) oxa::diserr("Store full: generation output incomplete");
    oxa::redisplay = oxa::RP_ALL;
}

void vcompare() {
    getresponse();
    int result = bor_comp();
    if (result >= 0 && result < NERRFUNCS && error_function_set[result] &&
        !error_function[result].empty())
        oxa::pushfn(error_function[result].c_str());
}

void vcompsingle() {
    int n = oxa::gnum();
    if (n < 0 || n > 20) {
        oxa::diserr("Integer too high");
        return;
    }
    getresponse();
    err_analysis_single(response.data(), n);
}

void disp_sent() {
    int k = oxa::gnum();
    if (k > 20) {
        oxa::diserr("Integer too high");
        return;
    }
    sentence_to_core(k, oxa::corenum);
}

void vglobpre() {
    uninstall(VF_GP);
    global_preselect();
    installed |= VF_GP;
}

} // namespace bormo
