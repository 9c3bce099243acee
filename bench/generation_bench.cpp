// Generation: whole sentences from the benchmark language in bench/grammar
// (40 syntax rules with agreement, morphology rules and tables, a lexicon of
// 5,000 entries over ten word classes), from a fixed seed.
//
// BM_Generation runs `interpret` as the editor does and reports sentences
// per second.  BM_GenerationPhases runs the same steps one by one (ROOT
// only, as this language has no other trees) and times each group: tree
// expansion with transformation and the attribute choices, the lexicon
// lookups, and morphology with sentence assembly.  Set-up checks that every
// file loads without an error message and that the stepwise run gives the
// same sentences as `interpret`, and aborts otherwise.
#include <benchmark/benchmark.h>

#include <ctime>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "bormo/attributes.hpp"
#include "bormo/engine.hpp"
#include "bormo/expansion.hpp"
#include "bormo/gencommands.hpp"
#include "bormo/guards.hpp"
#include "bormo/indirection.hpp"
#include "bormo/lexicon.hpp"
#include "bormo/morphology.hpp"
#include "bormo/reader.hpp"
#include "bormo/sentences.hpp"
#include "bormo/syntax.hpp"
#include "bormo/transform.hpp"
#include "bormo/vline.hpp"
#include "editor/corefiles.hpp"
#include "editor/frontend.hpp"
#include "editor/store.hpp"

namespace bormo {
namespace {

constexpr long SEED = 20261210;
// Sentences per timed batch; the message corefile is emptied between batches
// so the character heap does not fill.
constexpr int BATCH = 200;

void nosink(const char*, size_t) {}

std::string grammar(const char* name) {
    return std::string(OXA_SOURCE_DIR) + "/bench/grammar/" + name;
}

// The text lines of the message corefile.
std::vector<std::string> messages() {
    std::vector<std::string> out;
    const oxa::COREFILE& c = oxa::core[MSGCORE];
    for (oxa::LINE* l = c.header->down; l != c.header; l = l->down) {
        if (l->object == oxa::K_EMPTY) continue;
        out.emplace_back(reinterpret_cast<const char*>(&oxa::textbase[l->index]),
                         static_cast<size_t>(l->length));
    }
    return out;
}

void clear_messages() {
    int32_t keep = oxa::corenum;
    oxa::corenum = MSGCORE;
    oxa::clrfile();
    oxa::corenum = keep;
}

[[noreturn]] void fail(const std::string& what) {
    std::fprintf(stderr, "generation bench: %s\n", what.c_str());
    for (const std::string& m : messages())
        std::fprintf(stderr, "  %s\n", m.c_str());
    std::abort();
}

void check_no_errors(const char* stage) {
    for (const std::string& m : messages())
        if (m.find("ERROR") != std::string::npos) fail(std::string(stage) + ": " + m);
}

// The same steps as `interpret` for a language with ROOT only, with a timer
// around each group.  Returns the sentence.
struct PhaseTimes {
    double expansion = 0, lookup = 0, morphology = 0;
};

// The phases are timed in this thread's CPU time, so that other processes on
// a loaded machine do not inflate them.
double now() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

void stepwise(PhaseTimes& pt) {
    double t0 = now();
    preselect_barrier = global_barrier;
    clear_SE_PRE(0);
    oxa::progress("Expanding Root");
    v_print(MSGCORE, "Generation results:");
    nodecount = 0;
    treestate = 0;
    root = makenode("ROOT");
    expand_tree(root);
    thread(root);
    oldroot = copytree(root);
    thread(oldroot);
    oxa::progress("Transforming Root");
    treestate = 0;
    transform(root);
    thread(root);
    make_all_choices();
    double t1 = now();
    fill_all_words(root, preselect_barrier);
    getwords(preselect_barrier);
    double t2 = now();
    finish(root, 0, "Transformed Sentence");
    genSentences[0] = strdup_(sentbuf2.data());
    v_print(MSGCORE, "  ******");
    oxa::clearhelp();
    double t3 = now();
    pt.expansion += t1 - t0;
    pt.lookup += t2 - t1;
    pt.morphology += t3 - t2;
}

void load() {
    oxa::resetstore();
    oxa::initcore();
    oxa::xvsink = nosink;
    resetreader();
    resetattributes();
    resetengine();
    resetvline();
    resetexpansion();
    resetsentences();
    resetlexicon();
    resetsyntax();
    resetmorphology();
    resetindirection();
    resetguards();
    resetgencommands();
    readattr(grammar("attributes").c_str());
    check_no_errors("attributes");
    read_terminals(grammar("terminals").c_str());
    check_no_errors("terminals");
    initdict();
    readdict(grammar("lexicon").c_str());
    check_no_errors("lexicon");
    if (lexentries != 5000) fail("lexicon: " + std::to_string(lexentries) + " entries, not 5000");
    read_syntax(grammar("syntax").c_str());
    check_no_errors("syntax");
    new_readmorph(grammar("morphology").c_str());
    check_no_errors("morphology");
    new_readtables(grammar("tables").c_str());
    check_no_errors("tables");
    if (getrule("ROOT") == nullptr) fail("syntax: no ROOT rule");
    clear_messages();
}

// Loads the language once per benchmark and checks a sample of sentences:
// none empty, none with an error message, and the stepwise run equal to
// `interpret` from the same seed.
void setup() {
    load();
    constexpr int SAMPLE = 100;
    std::vector<std::string> whole;
    reseed(SEED);
    for (int i = 0; i < SAMPLE; ++i) {
        interpret();
        if (!genSentences[0] || !*genSentences[0]) fail("empty sentence");
        whole.emplace_back(genSentences[0]);
    }
    check_no_errors("generation");
    clear_messages();
    PhaseTimes pt;
    reseed(SEED);
    for (int i = 0; i < SAMPLE; ++i) {
        stepwise(pt);
        if (whole[i] != genSentences[0])
            fail("stepwise run differs: \"" + whole[i] + "\" / \"" + genSentences[0] + "\"");
    }
    check_no_errors("stepwise generation");
    static bool shown = false;
    if (!shown)
        std::fprintf(stderr, "sample: %s\n        %s\n", whole[0].c_str(), whole[1].c_str());
    shown = true;
    clear_messages();
    reseed(SEED);
}

void BM_Generation(benchmark::State& state) {
    setup();
    long sentences = 0;
    for (auto _ : state) {
        for (int i = 0; i < BATCH; ++i)
            interpret();
        sentences += BATCH;
        state.PauseTiming();
        clear_messages();
        state.ResumeTiming();
    }
    check_no_errors("generation");
    state.counters["sentences_per_s"] =
        benchmark::Counter(static_cast<double>(sentences), benchmark::Counter::kIsRate);
    state.SetItemsProcessed(sentences);
}
BENCHMARK(BM_Generation)->Unit(benchmark::kMillisecond)->MinTime(2.0);

void BM_GenerationPhases(benchmark::State& state) {
    setup();
    PhaseTimes pt;
    long sentences = 0;
    for (auto _ : state) {
        for (int i = 0; i < BATCH; ++i)
            stepwise(pt);
        sentences += BATCH;
        state.PauseTiming();
        clear_messages();
        state.ResumeTiming();
    }
    check_no_errors("stepwise generation");
    double n = static_cast<double>(sentences);
    double total = pt.expansion + pt.lookup + pt.morphology;
    state.counters["expansion_us"] = pt.expansion / n * 1e6;
    state.counters["lookup_us"] = pt.lookup / n * 1e6;
    state.counters["morphology_us"] = pt.morphology / n * 1e6;
    state.counters["expansion_pct"] = 100 * pt.expansion / total;
    state.counters["lookup_pct"] = 100 * pt.lookup / total;
    state.counters["morphology_pct"] = 100 * pt.morphology / total;
    state.SetItemsProcessed(sentences);
}
BENCHMARK(BM_GenerationPhases)->Unit(benchmark::kMillisecond)->MinTime(2.0);

} // namespace
} // namespace bormo
