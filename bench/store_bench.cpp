// Text store: appending to many lines, removing lines, and a full collection
// of a heap holding about 3.5 MB of live text.
#include <benchmark/benchmark.h>

#include "editor/lines.hpp"
#include "editor/store.hpp"

namespace oxa {
namespace {

// Fills the current corefile with `n` lines of `len` bytes each and returns
// the first.
LINE* makelines(int n, int len) {
    resetstore();
    for (int i = 0; i < n; ++i) {
        if (i > 0) allocln(K_EMPTY, 0);
        for (int j = 0; j < len; ++j)
            cadd('a' + (i + j) % 26);
    }
    return cur().header->down;
}

// One byte appended to each of N lines in turn: every append but the last of
// a round moves its line to the top of the heap.
void BM_AppendRoundRobin(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    const int rounds = 64;
    for (auto _ : state) {
        state.PauseTiming();
        makelines(n, 0);
        state.ResumeTiming();
        for (int r = 0; r < rounds; ++r) {
            for (LINE* l = cur().header->down; l != cur().header; l = l->down) {
                cur().lnptr = l;
                cadd('x');
                l = cur().lnptr; // the line may have a new header
            }
        }
        benchmark::DoNotOptimize(avail);
    }
    state.SetItemsProcessed(state.iterations() * n * rounds);
}
BENCHMARK(BM_AppendRoundRobin)->Arg(100)->Arg(1000)->Unit(benchmark::kMillisecond);

// Typing at the end of the line that was placed last: growth in place.
void BM_AppendAtTop(benchmark::State& state) {
    makelines(1, 0);
    int64_t n = 0;
    for (auto _ : state) {
        if (cur().lnptr->length >= 1000) {
            state.PauseTiming();
            makelines(1, 0);
            state.ResumeTiming();
        }
        cadd('x');
        ++n;
    }
    state.SetItemsProcessed(n);
}
BENCHMARK(BM_AppendAtTop);

// Removing every line of a corefile of N lines of 40 bytes, top down.
void BM_RemoveLines(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        makelines(n, 40);
        state.ResumeTiming();
        LINE* l = cur().header->down;
        while (l != cur().header) {
            LINE* next = l->down;
            cur().lnptr = l;
            removeline();
            l = next;
        }
        benchmark::DoNotOptimize(cur().lncount);
    }
    state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_RemoveLines)->Arg(10000)->Arg(70000)->Unit(benchmark::kMillisecond);

// A full collection over 70000 lines of 50 bytes (3.5 MB of live text), all
// of which must slide down: before each run the line placed first in the heap
// is moved to its top.
void BM_GarbageFull(benchmark::State& state) {
    const int n = 70000;
    const int len = 50;
    makelines(n, len);
    for (auto _ : state) {
        state.PauseTiming();
        cur().lnptr = firstphys.nextphys;
        shiftline();
        state.ResumeTiming();
        garbage();
        benchmark::DoNotOptimize(avail);
    }
    state.counters["live_bytes"] = static_cast<double>(avail);
    state.SetBytesProcessed(state.iterations() * avail);
}
BENCHMARK(BM_GarbageFull)->Unit(benchmark::kMillisecond);

// The same heap when nothing has to move (the collector still strips every
// line and walks the chain).
void BM_GarbageCompact(benchmark::State& state) {
    makelines(70000, 50);
    garbage();
    for (auto _ : state) {
        garbage();
        benchmark::DoNotOptimize(avail);
    }
    state.counters["live_bytes"] = static_cast<double>(avail);
}
BENCHMARK(BM_GarbageCompact)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace oxa
