// The adaptive choice of the next exercise: among a few candidate seeds,
// the one whose expected sentence holds most of the words and forms the
// learner got wrong lately.  Everything here is deterministic, so the same
// history gives the same exercise.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace serve {

// What a learner got wrong lately, with weights: each expected word of a
// finding that was not right counts one for each time (lower case), and each
// form (an attribute value code such as "pl") a wrong-form finding names.
struct weak_points {
    std::map<std::string, int> words;
    std::map<std::string, int> forms;
};
weak_points weak_points_of(const std::vector<std::string>& findings_json);

// What a candidate exercise holds: its expected words, and the attribute
// values of its words (a value once for each word that has it).
struct candidate {
    std::vector<std::string> words;
    std::vector<std::string> forms;
};

// The candidate seeds for a learner, pack and kind after the learner's last
// answer (0 before any): odd, from 1 to 2^31 - 1, and distinct.
std::vector<int64_t> candidate_seeds(int64_t learner, const std::string& pack, const std::string& kind,
                                     int64_t last_answer);

struct choice {
    size_t index; // of the chosen candidate
    int score;    // weak points its sentence meets
};
// The candidate whose words and forms meet most weak points; the first on a tie.
choice choose(const std::vector<candidate>& candidates, const weak_points& weak);

} // namespace serve
