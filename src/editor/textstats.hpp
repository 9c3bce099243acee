// Text statistics: the word- and sentence-length tables of `scantext`,
// counted from the cursor to the end of the text and appended to corefile 7.
#pragma once

#include <array>
#include <cstdint>

namespace oxa {

constexpr int MAXWORDLEN = 20;  // longer words count as this length
constexpr int MAXSENTLEN = 100; // longer sentences count as this many words

extern std::array<int32_t, MAXWORDLEN + 1> wordlen; // words of each length
extern std::array<int32_t, MAXSENTLEN + 1> sentlen; // sentences of each word count

// Edit code 105.
void scantext();

// Clears the tables.
void resettextstats();

} // namespace oxa
