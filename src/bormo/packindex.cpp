// The pack's revision, the index read from the pack's texts at each revision
// and the check of what is kept beside the texts.
#include "bormo/packindex.hpp"

#include <algorithm>
#include <functional>
#include <utility>

#include "bormo/attrcodes.hpp"
#include "bormo/guards.hpp"
#include "bormo/lexicon.hpp"
#include "bormo/morphology.hpp"
#include "bormo/syntax.hpp"

namespace bormo {

uint64_t packrevision = 1;
void (*packloadhook)() = nullptr;
packindexrecord packindex;

void pack_changed() {
    ++packrevision;
}

namespace {

// Where guards may start in a syntax rule text: after each '<'.  A '<' that
// is no guard's opening (one inside a guard, a count byte) gives a tree that
// is never asked for.
template <class Each> void syntax_guard_starts(Each each) {
    for (const syn_rule* r = syntax_stack; r; r = r->next)
        for (const char* p = r->rules.c_str(); *p; ++p)
            if (*p == '<') each(p + 1);
}

void read_index() {
    packindexrecord& x = packindex;
    x.morphguards.clear();
    for (int k = 0; k <= numrules && k < MAXRULES; ++k)
        for (subrule* s = ruleheader[static_cast<size_t>(k)]; s; s = s->nextsub) {
            s->guardid = static_cast<int>(x.morphguards.size());
            x.morphguards.push_back(read_guard(s->guard));
        }
    std::vector<const char*> starts;
    syntax_guard_starts([&](const char* p) { starts.push_back(p); });
    std::sort(starts.begin(), starts.end(), std::less<const char*>());
    x.syntaxguardat = starts;
    x.syntaxguards.clear();
    x.syntaxguards.reserve(starts.size());
    for (const char* p : starts)
        x.syntaxguards.push_back(read_guard(p));
    x.revision = packrevision;
}

} // namespace

packindexrecord& currentindex() {
    if (packindex.revision != packrevision) read_index();
    return packindex;
}

int subrule_guard(const subrule* s) {
    if (!s->guard) {
        end_guard = nullptr;
        return 0;
    }
    packindexrecord& x = currentindex();
    auto id = static_cast<size_t>(s->guardid);
    if (s->guardid < 0 || id >= x.morphguards.size()) return m_guard(s->guard);
    codepass within;
    return eval_guardtree(x.morphguards[id], s->guard);
}

int syntax_guard(const char* text) {
    packindexrecord& x = currentindex();
    auto it = std::lower_bound(x.syntaxguardat.begin(), x.syntaxguardat.end(), text,
                               std::less<const char*>());
    if (it == x.syntaxguardat.end() || *it != text) return m_guard(text);
    codepass within;
    return eval_guardtree(x.syntaxguards[static_cast<size_t>(it - x.syntaxguardat.begin())], text);
}

namespace {

// The index against a fresh reading of the texts.
std::string checkindex() {
    const packindexrecord& x = packindex;
    if (x.revision != packrevision) return "";
    std::string out;
    size_t n = 0;
    for (int k = 0; k <= numrules && k < MAXRULES; ++k)
        for (const subrule* s = ruleheader[static_cast<size_t>(k)]; s; s = s->nextsub, ++n) {
            const std::string name = s->rulename ? s->rulename : "";
            if (s->guardid != static_cast<int>(n) || n >= x.morphguards.size()) {
                out += "rule " + name + ": a guard is not in the index\n";
                continue;
            }
            if (!same_guard(x.morphguards[n], read_guard(s->guard)))
                out += "rule " + name + ": guard " + s->guard + " is indexed as another\n";
        }
    if (n != x.morphguards.size()) out += "the index holds guards of no subrule\n";
    std::vector<const char*> starts;
    syntax_guard_starts([&](const char* p) { starts.push_back(p); });
    std::sort(starts.begin(), starts.end(), std::less<const char*>());
    if (starts != x.syntaxguardat || x.syntaxguards.size() != starts.size()) {
        out += "the syntax guards indexed are not the rules'\n";
        return out;
    }
    for (size_t i = 0; i < starts.size(); ++i)
        if (!same_guard(x.syntaxguards[i], read_guard(starts[i])))
            out += std::string("syntax guard ") + starts[i] + " is indexed as another\n";
    return out;
}

} // namespace

std::string checkpack() {
    return checksyntaxkept() + checkmorphkept() + checkindex() + checklexiconkept();
}

// The revision only grows: whatever was kept before a reset is of an older one.
void resetpackindex() {
    pack_changed();
    packindex = packindexrecord{};
}

} // namespace bormo
