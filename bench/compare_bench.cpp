// Error analysis: a twelve-word response compared with the five generated
// trees 2..6 of the language in bench/compare, with the morphological, tag and
// phonological comparisons loaded.  The language is loaded through the
// loading commands and generated once from a fixed seed; set-up aborts when a
// file reports an error or a tree is not twelve words long.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "bormo/compare.hpp"
#include "bormo/engine.hpp"
#include "bormo/expansion.hpp"
#include "bormo/gencommands.hpp"
#include "bormo/reader.hpp"
#include "bormo/variants.hpp"
#include "bormo/vline.hpp"
#include "editor/commands.hpp"
#include "editor/corefiles.hpp"
#include "editor/frontend.hpp"
#include "editor/store.hpp"

namespace bormo {
namespace {

constexpr int NWORDS = 12;   // words of every tree and of the response
constexpr int FIRSTTREE = 2; // trees FIRSTTREE..LASTTREE are compared
constexpr int LASTTREE = 6;
constexpr long SEED = 20261210;

void nosink(const char*, size_t) {}

[[noreturn]] void fail(const std::string& why) {
    std::fprintf(stderr, "compare bench set-up failed: %s\n", why.c_str());
    std::abort();
}

std::vector<std::string> core_lines(int corefile) {
    std::vector<std::string> out;
    const oxa::COREFILE& c = oxa::core[corefile];
    for (oxa::LINE* l = c.header->down; l != c.header; l = l->down) {
        if (l->object == oxa::K_EMPTY) continue;
        out.emplace_back(reinterpret_cast<const char*>(&oxa::textbase[l->index]),
                         static_cast<size_t>(l->length));
    }
    return out;
}

void clear_core(int corefile) {
    const int32_t saved = oxa::corenum;
    oxa::corenum = corefile;
    oxa::clrfile();
    oxa::corenum = saved;
}

// The engine's error lines start with "ERROR " (progress lines may mention
// ERRORSCORE).
bool is_error(const std::string& line) {
    return line.rfind("ERROR ", 0) == 0;
}

std::vector<std::string> words_of(const char* text) {
    std::vector<std::string> out;
    std::istringstream in(text ? text : "");
    for (std::string w; in >> w;)
        out.push_back(w);
    return out;
}

// Runs one loading command on a fixture file; any "ERROR" line it leaves in
// the message corefile aborts the benchmark.
void load(void (*command)(), const char* name) {
    const std::string path = std::string(OXA_SOURCE_DIR) + "/bench/compare/" + name;
    if (path.size() >= oxa::curfile.size()) fail("path too long: " + path);
    oxa::curfile.fill(0);
    std::memcpy(oxa::curfile.data(), path.c_str(), path.size());
    command();
    for (const std::string& l : core_lines(MSGCORE))
        if (is_error(l)) fail(std::string(name) + ": " + l);
}

// The language, its sentences and the response, made once.
struct Language {
    std::string response;

    Language() {
        oxa::xvsink = nosink;
        oxa::resetstore();
        initbormo();
        resetcompare();
        resetvariants();
        load(vreadattr, "attributes");
        load(vreadterm, "terminals");
        load(vreadlex, "lexicon");
        load(vreadmorph, "morphology");
        load(vreadtables, "tables");
        load(vreadsyn, "syntax");
        load(vreadtags, "tags");
        load(vreadmerror, "merrors");
        load(vreadipa, "phonology");
        if (!taglist) fail("no tag was loaded");
        if (!phontablelist) fail("no phonology table was loaded");
        reseed(SEED);
        generate();
        for (const std::string& l : core_lines(MSGCORE))
            if (is_error(l)) fail("generation: " + l);
        for (int n = FIRSTTREE; n <= LASTTREE; ++n) {
            if (!rootPtrs[n]) fail("tree " + std::to_string(n) + " was not generated");
            const auto w = words_of(genSentences[n]);
            if (w.size() != NWORDS)
                fail("tree " + std::to_string(n) + " has " + std::to_string(w.size()) +
                     " words: " + (genSentences[n] ? genSentences[n] : "(none)"));
        }
        // The response: the sentence of tree 2 with one misspelt word, one
        // unknown word, the last noun in the other number (for the regular
        // plurals) and two words in the wrong order.
        auto w = words_of(genSentences[FIRSTTREE]);
        w[2] += "e";
        w[5] = "blorp";
        if (w[9].back() == 's')
            w[9].pop_back();
        else
            w[9] += "s";
        std::swap(w[8], w[9]);
        for (const std::string& s : w)
            response += (response.empty() ? "" : " ") + s;
        // Costs: missing/extra, order, lex, morph, phon, spell.
        vnomatchscore = 10;
        vorderscore = 2;
        vsynscore = 5;
        vmorphscore = 3;
        vphonoscore = 2;
        vapproxscore = 4;
        err_set_rootset("2 3 4 5 6");
        clear_core(MSGCORE);
        clear_core(REPORTCORE);
    }
};

const Language& language() {
    static Language l;
    return l;
}

// One analysis of the response against the five trees; the report is checked
// after the loop.
void BM_CompareResponse(benchmark::State& state) {
    const Language& l = language();
    for (auto _ : state) {
        err_analysis(l.response.c_str());
        state.PauseTiming();
        clear_core(MSGCORE);
        clear_core(REPORTCORE);
        state.ResumeTiming();
    }
    err_analysis(l.response.c_str());
    const auto report = core_lines(REPORTCORE);
    if (report.empty() || report.front().rfind("BEST ROOT : R", 0) != 0)
        state.SkipWithError("the analysis wrote no report");
    for (const std::string& line : core_lines(MSGCORE))
        if (is_error(line)) state.SkipWithError(line.c_str());
    state.counters["trees"] = LASTTREE - FIRSTTREE + 1;
    state.counters["words"] = NWORDS;
    state.SetLabel(report.size() > 1 ? report[1] : "");
    // OXA_BENCH_SHOW=1 prints the report of the last analysis.
    if (std::getenv("OXA_BENCH_SHOW"))
        for (const std::string& line : report)
            std::fprintf(stderr, "%s\n", line.c_str());
}
BENCHMARK(BM_CompareResponse)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace bormo
