// Error analysis: a twelve-word response compared with the five generated
// trees 2..6 of the language in bench/compare, with the morphological, tag and
// phonological comparisons loaded.  The language is loaded through the
// loading commands and generated once from a fixed seed; set-up aborts when a
// file reports an error or a tree is not twelve words long.
//
// The same with trees and responses of 10 to 60 words (the syntax is made
// of as many ten-word clauses), without and with the learner feedback: each
// run counts the minor page faults per analysis, and BM_CompareGrowth prints
// how the time grows with the number of words (the exponent of a power law
// fitted to 10 .. 60 words).
#include <benchmark/benchmark.h>

#include <sys/resource.h>

#include <ctime>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "bormo/compare.hpp"
#include "bormo/engine.hpp"
#include "bormo/expansion.hpp"
#include "bormo/feedback.hpp"
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
    const std::string path =
        name[0] == '/' ? std::string(name) : std::string(OXA_SOURCE_DIR) + "/bench/compare/" + name;
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

// ---- 10 to 60 words

// Trees 2..6 of `words` words each (ten-word clauses), generated from the
// fixed seed, and a response: tree 2's sentence with a misspelt word, an
// unknown word and two words swapped in every clause.
std::string long_response(int words) {
    const int clauses = words / 10;
    std::string clause = "DET [ n ] ADJ N [ n ] V [ n , p3 , t , transitive ] DET [ m ] ADJ N [ m ] "
                         "ADV CONJ ADV";
    std::string text = "{ Trees of " + std::to_string(words) + " words }\nS =";
    for (int c = 0; c < clauses; ++c)
        text += " CHOOSE n : number ; CHOOSE m : number ; CHOOSE t : tense ; " + clause;
    text += " %\nROOT = S %\nQUESTION = S %\nANSWER = ROOT %\n";
    for (int n = 3; n <= LASTTREE; ++n)
        text += "R_" + std::to_string(n) + " = S %\n";
    const std::string path = "/tmp/oxa_compare_bench_syntax_" + std::to_string(words);
    std::ofstream(path) << text;
    language(); // the other files
    load(vreadsyn, path.c_str());
    std::remove(path.c_str());
    reseed(SEED);
    generate();
    for (const std::string& l : core_lines(MSGCORE))
        if (is_error(l)) fail("generation: " + l);
    for (int n = FIRSTTREE; n <= LASTTREE; ++n)
        if (!rootPtrs[n] || words_of(genSentences[n]).size() != static_cast<size_t>(words))
            fail("tree " + std::to_string(n) + " is not " + std::to_string(words) + " words long");
    auto w = words_of(genSentences[FIRSTTREE]);
    for (int c = 0; c < clauses; ++c) {
        w[c * 10 + 2] += "e";
        w[c * 10 + 5] = "blorp";
        std::swap(w[c * 10 + 7], w[c * 10 + 8]);
    }
    std::string response;
    for (const std::string& s : w)
        response += (response.empty() ? "" : " ") + s;
    clear_core(MSGCORE);
    clear_core(REPORTCORE);
    return response;
}

long minor_faults() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_minflt;
}

// The process's CPU time: the machine may be shared.
double cpu_seconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

void set_grade(int on) {
    oxa::param[1] = on;
    grade();
}

// One analysis of a response of range(0) words against five trees of as
// many words; range(1) 1 writes the learner feedback too.
void BM_CompareWords(benchmark::State& state) {
    const int words = static_cast<int>(state.range(0));
    const std::string response = long_response(words);
    set_grade(static_cast<int>(state.range(1)));
    err_analysis(response.c_str()); // the work area grown once
    const long faults = minor_faults();
    for (auto _ : state) {
        err_analysis(response.c_str());
        state.PauseTiming();
        clear_core(MSGCORE);
        clear_core(REPORTCORE);
        clear_core(FEEDBACKCORE);
        state.ResumeTiming();
    }
    const double per = static_cast<double>(minor_faults() - faults) /
                       static_cast<double>(std::max<benchmark::IterationCount>(state.iterations(), 1));
    if (core_lines(REPORTCORE).empty() && state.iterations() > 0) {
        err_analysis(response.c_str());
        if (core_lines(REPORTCORE).empty()) state.SkipWithError("the analysis wrote no report");
    }
    set_grade(0);
    state.counters["trees"] = LASTTREE - FIRSTTREE + 1;
    state.counters["words"] = words;
    state.counters["faults"] = per;
}
BENCHMARK(BM_CompareWords)
    ->ArgsProduct({{10, 20, 30, 40, 50, 60}, {0, 1}})
    ->Unit(benchmark::kMillisecond);

// The exponent k of time ~ words^k, fitted by least squares to the mean CPU time
// of one analysis at 10, 20, ... 60 words (report only, and with the
// feedback), and the most minor faults one analysis took at any size.
void BM_CompareGrowth(benchmark::State& state) {
    const int grade_on_run = static_cast<int>(state.range(0));
    std::vector<double> lx, ly;
    double most_faults = 0;
    for (auto _ : state) {
        lx.clear();
        ly.clear();
        for (int words = 10; words <= 60; words += 10) {
            const std::string response = long_response(words);
            set_grade(grade_on_run);
            err_analysis(response.c_str());
            const int reps = std::max(3, 600 / words);
            const long faults = minor_faults();
            const double start = cpu_seconds();
            for (int r = 0; r < reps; ++r) {
                err_analysis(response.c_str());
                clear_core(MSGCORE);
                clear_core(REPORTCORE);
                clear_core(FEEDBACKCORE);
            }
            const double took = cpu_seconds() - start;
            most_faults = std::max(most_faults, static_cast<double>(minor_faults() - faults) / reps);
            set_grade(0);
            lx.push_back(std::log(words));
            ly.push_back(std::log(took / reps));
        }
    }
    const double n = static_cast<double>(lx.size());
    double sx = 0, sy = 0, sxx = 0, sxy = 0;
    for (size_t k = 0; k < lx.size(); ++k) {
        sx += lx[k];
        sy += ly[k];
        sxx += lx[k] * lx[k];
        sxy += lx[k] * ly[k];
    }
    const double exponent = (n * sxy - sx * sy) / (n * sxx - sx * sx);
    state.counters["exponent"] = exponent;
    state.counters["faults"] = most_faults;
    std::fprintf(stderr, "error analysis%s, 5 trees, 10..60 words: time ~ words^%.2f, at most %.0f minor faults per analysis\n",
                 grade_on_run ? " with the feedback" : "", exponent, most_faults);
}
BENCHMARK(BM_CompareGrowth)->Arg(0)->Arg(1)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace bormo
