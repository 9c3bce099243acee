// Painting: a full repaint of the text window (composed after many
// operations) and the transmitter's handling of passed and dropped messages.
#include <benchmark/benchmark.h>

#include "editor/editloop.hpp"
#include "editor/frontend.hpp"
#include "editor/lines.hpp"
#include "editor/paint.hpp"
#include "editor/store.hpp"

namespace oxa {
namespace {

size_t sent = 0;
void countsink(const char*, size_t len) {
    sent += len;
}

// A corefile of `n` lines of `len` bytes, cursor and window on the first.
void setup(int n, int len) {
    resetstore();
    reseteditloop();
    resetpaint();
    resetfrontend();
    xvsink = countsink;
    for (int i = 0; i < n; ++i) {
        if (i > 0) allocln(K_EMPTY, 0);
        for (int j = 0; j < len; ++j)
            cadd('a' + (i + j) % 26);
    }
    COREFILE& c = cur();
    c.lnptr = c.disln = c.header->down;
    c.curcol = 1;
}

// Every row of the window, each line wider than the window.
void BM_FullRepaint(benchmark::State& state) {
    setup(40, static_cast<int>(state.range(0)));
    for (auto _ : state) {
        redisplay = RP_ALL;
        display();
    }
    state.SetItemsProcessed(state.iterations() * depth);
    resetfrontend();
}
BENCHMARK(BM_FullRepaint)->Arg(10)->Arg(200);

// The echo of one typed character: the message that passes most often.
void BM_EchoCharacter(benchmark::State& state) {
    setup(1, 0);
    for (auto _ : state)
        putch('x');
    benchmark::DoNotOptimize(sent);
    state.SetItemsProcessed(state.iterations());
    resetfrontend();
}
BENCHMARK(BM_EchoCharacter);

} // namespace
} // namespace oxa
