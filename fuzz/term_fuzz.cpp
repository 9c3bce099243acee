// Fuzz target: oxa-term's message parser and screen model over the editor's
// byte stream.  No input may end the front end: whatever the numbers and
// texts on the wire, every row shown is exactly the screen's width, holds no
// control byte, and the cursor stays on the screen.
//
// The first two bytes choose the screen's size; the rest is the stream, fed
// once whole and once in pieces whose sizes the stream's own bytes choose:
// both screens must show the same rows.  A resize half way through (to the
// size the third byte chooses) must keep the same guarantees.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "term/message.hpp"
#include "term/screen.hpp"

namespace {

void check(const oxa::term::screen& s) {
    for (int32_t y = 0; y < s.rows(); ++y) {
        const std::string row = s.line(y);
        if (row.size() != static_cast<size_t>(s.cols())) std::abort();
        for (const char c : row) {
            const auto b = static_cast<unsigned char>(c);
            // Bytes from 128 on are stored characters (128-159 hold the
            // typographic letters the edges map there); no control byte.
            if (b < 32 || b == 127) std::abort();
        }
    }
    if (s.cursory() < 0 || s.cursory() >= s.rows()) std::abort();
    if (s.cursorx() < 0 || s.cursorx() >= s.cols()) std::abort();
}

bool same(const oxa::term::screen& a, const oxa::term::screen& b) {
    if (a.rows() != b.rows() || a.cols() != b.cols()) return false;
    for (int32_t y = 0; y < a.rows(); ++y)
        if (a.line(y) != b.line(y)) return false;
    return a.cursory() == b.cursory() && a.cursorx() == b.cursorx() &&
           a.emitted() == b.emitted();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 3) return 0;
    const int32_t rows = 1 + data[0] % 64;
    const int32_t cols = 1 + data[1] % 200;
    const int32_t rows2 = 1 + data[2] % 64;
    const char* stream = reinterpret_cast<const char*>(data + 3);
    const size_t n = size - 3;

    // Every line parses, whatever it holds.
    oxa::term::linesplitter splitter;
    std::vector<std::string> lines;
    splitter.feed(stream, n, lines);
    for (const auto& l : lines) {
        const oxa::term::message m = oxa::term::parsemessage(l);
        if (m.kind == oxa::term::msgkind::emitline && m.text != l) std::abort();
    }

    oxa::term::screen whole(rows, cols);
    whole.feed(stream, n);
    check(whole);

    oxa::term::screen pieces(rows, cols);
    for (size_t at = 0; at < n;) {
        const size_t step = std::min<size_t>(1 + static_cast<unsigned char>(stream[at]) % 17, n - at);
        pieces.feed(stream + at, step);
        at += step;
    }
    check(pieces);
    if (!same(whole, pieces)) std::abort();

    oxa::term::screen resized(rows, cols);
    resized.feed(stream, n / 2);
    resized.resize(rows2, cols);
    check(resized);
    resized.feed(stream + n / 2, n - n / 2);
    check(resized);
    return 0;
}
