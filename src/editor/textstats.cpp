// Word- and sentence-length tables.
#include "editor/textstats.hpp"

#include "bormo/vline.hpp"
#include "editor/frontend.hpp"
#include "editor/input.hpp"
#include "editor/lines.hpp"
#include "editor/store.hpp"

namespace oxa {

std::array<int32_t, MAXWORDLEN + 1> wordlen{};
std::array<int32_t, MAXSENTLEN + 1> sentlen{};

namespace {

constexpr int STATSCORE = bormo::MSGCORE;

// Appends the non-zero counters 1.. of a table, one "%3i %5i" line each.
template <size_t N>
void table(const char* title, const std::array<int32_t, N>& counts) {
    bormo::v_print(STATSCORE, title);
    for (size_t i = 1; i < N; ++i)
        if (counts[i] != 0) bormo::v_printf(STATSCORE, "%3i %5i", static_cast<int>(i), counts[i]);
    bormo::v_print(STATSCORE, "***");
}

} // namespace

void scantext() {
    wordlen.fill(0);
    sentlen.fill(0);
    setptr();
    int32_t letters = 0, words = 0;
    const LINE* hdr = cur().header;
    for (; lp != hdr; nextc()) {
        const uint8_t kind = charkind[static_cast<unsigned char>(peepc())];
        if (kind & WORDCH) {
            ++letters;
            continue;
        }
        // A full stop ends the word before the sentence.
        if ((kind & SEPCH) && letters > 0) {
            ++wordlen[static_cast<size_t>(letters < MAXWORDLEN ? letters : MAXWORDLEN)];
            letters = 0;
            ++words;
        }
        if ((kind & SENTCH) && words > 0) {
            ++sentlen[static_cast<size_t>(words < MAXSENTLEN ? words : MAXSENTLEN)];
            words = 0;
        }
    }
    table("Word length table", wordlen);
    table("Sentence length table", sentlen);
    diserr("Data written to corefile 7");
}

void resettextstats() {
    wordlen.fill(0);
    sentlen.fill(0);
}

} // namespace oxa
