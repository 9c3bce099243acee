// Candidate seeds and the choice among them.
#include "serve/adaptive.hpp"

#include <nlohmann/json.hpp>

#include "serve/api.hpp"
#include "serve/grading.hpp"

namespace serve {

namespace {

// A word as it is compared: lower case, without punctuation at its end.
std::string lower(const std::string& s) {
    std::string out = s;
    while (!out.empty() && std::string(".,;:!?").find(out.back()) != std::string::npos)
        out.pop_back();
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
    return out;
}

uint64_t mix(uint64_t h, const std::string& s) {
    for (unsigned char c : s) {
        h ^= c;
        h *= 1099511628211ull;
    }
    h ^= 0xff;
    return h * 1099511628211ull;
}

} // namespace

weak_points weak_points_of(const std::vector<std::string>& findings_json) {
    weak_points weak;
    for (const std::string& text : findings_json) {
        const nlohmann::json f = nlohmann::json::parse(text, nullptr, false);
        if (!f.is_array()) continue;
        for (const nlohmann::json& w : f) {
            if (!w.is_object()) continue;
            const std::string cls = w.value("class", "");
            const std::string expected = w.value("expected", "");
            if (right_class(cls) || expected.empty()) continue;
            weak.words[lower(expected)]++;
            const auto forms = w.find("forms");
            if (forms == w.end() || !forms->is_array()) continue;
            for (const nlohmann::json& v : *forms)
                if (v.is_string()) weak.forms[v.get<std::string>()]++;
        }
    }
    return weak;
}

std::vector<int64_t> candidate_seeds(int64_t learner, const std::string& pack, const std::string& kind,
                                     int64_t last_answer) {
    uint64_t h = 1469598103934665603ull;
    h = mix(h, std::to_string(learner));
    h = mix(h, pack);
    h = mix(h, kind);
    h = mix(h, std::to_string(last_answer));
    std::vector<int64_t> out;
    while (out.size() < static_cast<size_t>(adaptive_candidates)) {
        h = mix(h, "next");
        const int64_t seed = static_cast<int64_t>((h >> 20) % (uint64_t{1} << 30)) * 2 + 1;
        bool seen = false;
        for (int64_t s : out)
            seen = seen || s == seed;
        if (!seen) out.push_back(seed);
    }
    return out;
}

choice choose(const std::vector<candidate>& candidates, const weak_points& weak) {
    choice best{0, -1};
    for (size_t i = 0; i < candidates.size(); ++i) {
        int score = 0;
        for (const std::string& w : candidates[i].words) {
            const auto it = weak.words.find(lower(w));
            if (it != weak.words.end()) score += it->second;
        }
        for (const std::string& v : candidates[i].forms) {
            const auto it = weak.forms.find(v);
            if (it != weak.forms.end()) score += it->second;
        }
        if (score > best.score) best = {i, score};
    }
    if (best.score < 0) best.score = 0;
    return best;
}

} // namespace serve
