// CHANGE over one long line and delete to the end of a long word: both must
// grow linearly with the line (the complexity fit printed should be O(N)).
// CHANGE of "word" into "wordy" over one line of N bytes, against the same
// text cut into lines of about 60 bytes.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <string>

#include "editor/commands.hpp"
#include "editor/editops.hpp"
#include "editor/find.hpp"
#include "editor/frontend.hpp"
#include "editor/lines.hpp"
#include "editor/resetall.hpp"
#include "editor/store.hpp"

namespace oxa {
namespace {

void discard(const char*, size_t) {}

void setstring(strparam& dest, const std::string& s) {
    dest.fill(0);
    std::copy(s.begin(), s.end(), dest.begin());
}

// The corefile holds `bytes` of "word wordy, " text, in one line or in lines
// of about 60 bytes; the cursor on the first line.
void filltext(int64_t bytes, bool oneline) {
    resetall();
    xvsink = discard;
    const std::string unit = "word wordy, ";
    int64_t n = 0;
    int col = 0;
    while (n < bytes) {
        if (!oneline && col >= 60) {
            allocln(K_EMPTY, 0);
            col = 0;
        }
        for (char ch : unit)
            cadd(static_cast<unsigned char>(ch));
        n += static_cast<int64_t>(unit.size());
        col += static_cast<int>(unit.size());
    }
    cur().lnptr = cur().header->down;
    cur().curcol = 1;
}

void changeover(benchmark::State& state, bool oneline) {
    const int64_t bytes = state.range(0);
    for (auto _ : state) {
        state.PauseTiming();
        filltext(bytes, oneline);
        setstring(scanpattern, "word");
        setstring(targetstring, "wordy");
        state.ResumeTiming();
        change();
        benchmark::DoNotOptimize(cur().charcount);
    }
    state.SetBytesProcessed(state.iterations() * bytes);
    state.SetComplexityN(bytes);
}

void BM_ChangeOneLine(benchmark::State& state) {
    changeover(state, true);
}
BENCHMARK(BM_ChangeOneLine)
    ->RangeMultiplier(2)
    ->Range(122 << 10, 976 << 10)
    ->Unit(benchmark::kMillisecond)
    ->Complexity();

void BM_ChangeShortLines(benchmark::State& state) {
    changeover(state, false);
}
BENCHMARK(BM_ChangeShortLines)
    ->RangeMultiplier(2)
    ->Range(122 << 10, 976 << 10)
    ->Unit(benchmark::kMillisecond)
    ->Complexity();

// ESC [ W at the start of a word of N bytes.
void BM_DeleteLongWord(benchmark::State& state) {
    const int64_t bytes = state.range(0);
    for (auto _ : state) {
        state.PauseTiming();
        resetall();
        xvsink = discard;
        for (int64_t i = 0; i < bytes; ++i)
            cadd('w');
        cadd(' ');
        cadd('x');
        cur().curcol = 1;
        state.ResumeTiming();
        delwordend();
        benchmark::DoNotOptimize(cur().lnptr->length);
    }
    state.SetComplexityN(bytes);
}
BENCHMARK(BM_DeleteLongWord)
    ->RangeMultiplier(2)
    ->Range(256 << 10, 2 << 20)
    ->Unit(benchmark::kMillisecond)
    ->Complexity();

} // namespace
} // namespace oxa
