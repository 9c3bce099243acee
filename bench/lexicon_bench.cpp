// Lexicon: loading a file of 100,000 entries (attributes and six fields), and
// choosing entries for lookups that require attributes, by frequency.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "bormo/attributes.hpp"
#include "bormo/engine.hpp"
#include "bormo/lexicon.hpp"
#include "bormo/reader.hpp"
#include "bormo/vline.hpp"
#include "editor/frontend.hpp"
#include "editor/store.hpp"

namespace bormo {
namespace {

constexpr int NENTRIES = 100000;
constexpr int NTERMS = 100;

void nosink(const char*, size_t) {}

std::string tmpfile(const char* name) {
    return (std::filesystem::temp_directory_path() / name).string();
}

// Attribute, terminals and lexicon files, written once.
struct Files {
    std::string attr = tmpfile("oxa_bench_attr");
    std::string term = tmpfile("oxa_bench_term");
    std::string lex = tmpfile("oxa_bench_lex");
    Files() {
        std::ofstream(attr) << "number ( sg , pl ) gender ( masc , fem , neut ) "
                               "person ( p1 , p2 , p3 ) case ( nom , acc , dat , gen ) %\n";
        std::ofstream t(term);
        for (int i = 0; i < NTERMS; ++i)
            t << "T" << i << "\n";
        std::ofstream l(lex);
        const char* number[] = {"sg", "pl"};
        const char* gender[] = {"masc", "fem", "neut"};
        const char* person[] = {"p1", "p2", "p3"};
        const char* kase[] = {"nom", "acc", "dat", "gen"};
        for (int i = 0; i < NENTRIES; ++i) {
            l << "\"w" << i << "\"|T" << i % NTERMS << "|" << gender[i % 3] << "."
              << number[(i / 3) % 2] << "," << person[(i / 7) % 3] << "," << kase[(i / 11) % 4]
              << "|" << 1 + i % 97 << "|stem" << i << "|class" << i % 13 << "|\n";
        }
    }
};

const Files& files() {
    static Files f;
    return f;
}

void setup() {
    oxa::resetstore();
    oxa::initcore();
    oxa::xvsink = nosink;
    resetreader();
    resetattributes();
    resetengine();
    resetvline();
    resetlexicon();
    readattr(files().attr.c_str());
    read_terminals(files().term.c_str());
}

void BM_LoadLexicon(benchmark::State& state) {
    setup();
    for (auto _ : state) {
        state.PauseTiming();
        initdict();
        oxa::resetstore();
        oxa::initcore();
        state.ResumeTiming();
        readdict(files().lex.c_str());
    }
    state.counters["entries"] = static_cast<double>(lexentries);
    state.counters["errors"] = static_cast<double>(lexerrors);
    state.SetItemsProcessed(state.iterations() * NENTRIES);
}
BENCHMARK(BM_LoadLexicon)->Unit(benchmark::kMillisecond)->Iterations(5);

// 100,000 lookups over every terminal, each requiring a gender and number
// compound and a bare person; the median and the 99th percentile of one
// choice are reported as counters.
void BM_ChooseEntries(benchmark::State& state) {
    setup();
    initdict();
    readdict(files().lex.c_str());
    reseed(12345);
    std::vector<double> us;
    us.reserve(100000);
    const int values[][2] = {{1, 1}, {2, 1}, {3, 2}, {1, 2}, {2, 2}, {3, 1}};
    std::vector<std::string> names;
    for (int i = 0; i < NTERMS; ++i)
        names.push_back("T" + std::to_string(i));
    long found = 0;
    for (auto _ : state) {
        us.clear();
        for (int i = 0; i < 100000; ++i) {
            delayptr = 0;
            dict_lookup lookup{};
            lookup.class_ = names[i % NTERMS].data();
            lookup.vf = -1;
            comp_attr gn = nullptr;
            delayed[delayptr] = t_delay{2, values[i % 6][0], 1};
            add_comp_attr(&gn, delayptr++);
            delayed[delayptr] = t_delay{1, values[i % 6][1], 1};
            add_comp_attr(&gn, delayptr++);
            comp_attr pers = nullptr;
            delayed[delayptr] = t_delay{3, -1, 0};
            add_comp_attr(&pers, delayptr++);
            add_attr_to_list(&lookup.attributes, gn);
            add_attr_to_list(&lookup.attributes, pers);
            auto t0 = std::chrono::steady_clock::now();
            getdictent(&lookup);
            auto t1 = std::chrono::steady_clock::now();
            us.push_back(std::chrono::duration<double, std::micro>(t1 - t0).count());
            found += lookup.error == 0;
            purge_attr_list(&lookup.attributes);
        }
    }
    std::sort(us.begin(), us.end());
    state.counters["median_us"] = us[us.size() / 2];
    state.counters["p99_us"] = us[us.size() * 99 / 100];
    state.counters["found"] = static_cast<double>(found) / static_cast<double>(state.iterations());
    state.SetItemsProcessed(state.iterations() * 100000);
}
BENCHMARK(BM_ChooseEntries)->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace
} // namespace bormo
