// Language-file reader and attributes: tokenizing a large file, loading an
// attribute file of 200 types of 200 values, and name lookup by binary search.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "bormo/attributes.hpp"
#include "bormo/engine.hpp"
#include "bormo/reader.hpp"
#include "editor/store.hpp"

namespace bormo {
namespace {

std::string benchfile(const char* name) {
    return (std::filesystem::temp_directory_path() / name).string();
}

// About 1 MB of rule-like text: identifiers, keywords, quotes and comments.
const std::string& tokenfile() {
    static std::string path = [] {
        std::string p = benchfile("oxa_bench_tokens");
        std::ofstream f(p);
        for (int i = 0; i < 20000; i++)
            f << "RULE NP" << i << " = DET [number.gender] N \"word\" {note} _pre_ x%\n";
        return p;
    }();
    return path;
}

const std::string& attrfile() {
    static std::string path = [] {
        std::string p = benchfile("oxa_bench_attributes");
        std::ofstream f(p);
        for (int t = 0; t < 200; t++) {
            f << "type" << t << " (";
            for (int v = 0; v < 200; v++)
                f << (v ? " < " : " ") << "t" << t << "v" << v;
            f << " )\n";
        }
        f << "%\n";
        return p;
    }();
    return path;
}

void BM_TokenizeFile(benchmark::State& state) {
    oxa::resetstore();
    long tokens = 0;
    for (auto _ : state) {
        resetreader();
        file_operation = "test input";
        openfile(tokenfile().c_str(), 1);
        while (v_peep() != T_EOF) {
            v_next();
            tokens++;
        }
        oxa::resetstore();
    }
    state.counters["tokens/s"] =
        benchmark::Counter(static_cast<double>(tokens), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_TokenizeFile)->Unit(benchmark::kMillisecond);

// 200 types each with a total order of 200 values: closure is 200 cubed per type.
void BM_ReadAttributeFile(benchmark::State& state) {
    oxa::resetstore();
    for (auto _ : state) {
        resetattributes();
        readattr(attrfile().c_str());
        benchmark::DoNotOptimize(q_att_size);
        oxa::resetstore();
    }
}
BENCHMARK(BM_ReadAttributeFile)->Unit(benchmark::kMillisecond);

void BM_LookupAttr(benchmark::State& state) {
    oxa::resetstore();
    resetattributes();
    readattr(attrfile().c_str());
    std::vector<std::string> names;
    for (int t = 0; t < 200; t += 7)
        for (int v = 0; v < 200; v += 13)
            names.push_back("t" + std::to_string(t) + "v" + std::to_string(v));
    size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(lookup_attr(names[i].c_str()));
        i = (i + 1) % names.size();
    }
    resetattributes();
}
BENCHMARK(BM_LookupAttr);

} // namespace
} // namespace bormo
