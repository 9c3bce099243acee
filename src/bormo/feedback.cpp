// Learner feedback: the typed words normalised, each pair of an expected and
// a typed word classified, the least-cost alignment, and the block written
// to corefile 17.
#include "bormo/feedback.hpp"

#include <algorithm>
#include <climits>
#include <cstring>

#include "bormo/expansion.hpp"
#include "bormo/variants.hpp"
#include "bormo/vline.hpp"
#include "editor/commands.hpp"

namespace bormo {

int grade_on = 0;

namespace {

// finding name, in enum order
constexpr const char* finding_names[] = {
    "OK",    "FORM",  "SPELLING", "SOUND",       "RELATED",   "MISSING",
    "EXTRA", "ORDER", "CASE",     "PUNCTUATION", "UNRELATED",
};
static_assert(std::size(finding_names) == static_cast<size_t>(Finding::UNRELATED) + 1);

bool is_upper(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 192 && c <= 222 && c != 215);
}

bool is_final_punctuation(char c) {
    return c == '.' || c == '!' || c == '?' || c == ';' || c == ':' || c == ',';
}

// The elided words that French glues to the next word.
constexpr const char* elisions[] = {"j'", "l'", "qu'", "n'", "c'", "s'", "d'"};

// The length of an elided word at the start of `w` (capital allowed), or 0
// when `w` does not start with one or holds nothing after it.
size_t elision_length(const std::string& w) {
    for (const char* e : elisions) {
        const size_t n = strlen(e);
        if (w.size() <= n) continue;
        bool same = true;
        for (size_t k = 0; k < n && same; ++k) {
            unsigned char c = static_cast<unsigned char>(w[k]);
            if (k == 0 && is_upper(c)) c = static_cast<unsigned char>(c + 32);
            same = c == static_cast<unsigned char>(e[k]);
        }
        if (same) return n;
    }
    return 0;
}

std::vector<std::string> split_blanks(const std::string& s) {
    std::vector<std::string> out;
    std::string cur;
    for (char c : s) {
        if (c == ' ' || c == '\t' || c == '\n') {
            if (!cur.empty()) out.push_back(cur);
            cur.clear();
        } else {
            cur += c;
        }
    }
    if (!cur.empty()) out.push_back(cur);
    return out;
}

// "p3/p1" as "p3 expected, p1 typed"; alternatives joined by " or ".
std::string form_detail(const lexdiff& cell) {
    std::string out;
    for (const std::string& b : cell.breakup) {
        if (b.empty()) break;
        const size_t slash = b.find('/');
        if (!out.empty()) out += " or ";
        if (slash == std::string::npos)
            out += b;
        else
            out += b.substr(0, slash) + " expected, " + b.substr(slash + 1) + " typed";
    }
    return out;
}

std::string sound_detail(const lexdiff& cell) {
    if (cell.error[0] != "none" && !cell.error[0].empty()) return cell.error[0];
    std::string out;
    for (const std::string& b : cell.breakup) {
        if (b.empty()) break;
        const size_t slash = b.find('/');
        if (slash == std::string::npos) continue;
        if (!out.empty()) out += ", ";
        out += "\"" + b.substr(slash + 1) + "\" written for \"" + b.substr(0, slash) + "\"";
    }
    return out.empty() ? "spelt as it sounds" : "spelt as it sounds: " + out;
}

std::string related_detail(int tag_int) {
    const tag_table* t = find_tag(tag_int);
    return std::string("related word (") + (t && t->tag ? t->tag : "?") + ")";
}

// Expected word `e` (a piece of `leaf`'s word, or all of it when `whole`)
// against typed word `w`.
feedback_cell classify(const std::string& e, t_treenode* leaf, bool whole, const typed_word& w) {
    feedback_cell c;
    if (w.raw == e) {
        c.finding = Finding::OK;
        return c;
    }
    if (w.text == e) {
        c.finding = w.capital ? Finding::CASE : Finding::PUNCTUATION;
        c.detail = w.capital ? (w.punctuation ? "capital letter; final punctuation" : "capital letter")
                             : "final punctuation";
        return c;
    }
    if (!whole || !leaf) {
        if (feedback_misspelt(e, w.text)) {
            c.finding = Finding::SPELLING;
            c.detail = "misspelt";
        }
        return c;
    }
    lexdiff cell{};
    err_word_diff(w.text.c_str(), leaf, &cell);
    if (cell.matchclass == CLASS_EXACT) {
        c.finding = Finding::OK;
    } else if (cell.matchclass == CLASS_MORPH) {
        c.finding = Finding::FORM;
        c.detail = form_detail(cell);
    } else if (cell.matchclass == CLASS_APPROX) {
        c.finding = Finding::SPELLING;
        c.detail = "misspelt";
    } else if (cell.matchclass == CLASS_PHONO) {
        c.finding = Finding::SOUND;
        c.detail = sound_detail(cell);
    } else if (cell.matchclass >= CLASS_TAG) {
        c.finding = Finding::RELATED;
        c.detail = related_detail(cell.matchclass);
    } else if (feedback_misspelt(e, w.text)) {
        c.finding = Finding::SPELLING;
        c.detail = "misspelt";
    } else {
        const int back = err_match_syn_back(w.text.c_str(), leaf);
        if (back >= 0) {
            c.finding = Finding::RELATED;
            c.detail = related_detail(back);
        }
    }
    return c;
}

bool zero_cost_match(Finding f) {
    return f == Finding::OK || f == Finding::CASE || f == Finding::PUNCTUATION;
}

} // namespace

const char* finding_name(Finding f) {
    return finding_names[static_cast<size_t>(f)];
}

std::vector<typed_word> feedback_words(const char* response) {
    std::vector<typed_word> out;
    for (const std::string& w : split_blanks(response ? response : "")) {
        const size_t n = elision_length(w);
        if (n > 0) {
            out.push_back({w.substr(0, n), w.substr(0, n)});
            out.push_back({w.substr(n), w.substr(n)});
        } else {
            out.push_back({w, w});
        }
    }
    if (out.empty()) return out;
    typed_word& first = out.front();
    if (is_upper(static_cast<unsigned char>(first.text[0]))) {
        first.text[0] = static_cast<char>(static_cast<unsigned char>(first.text[0]) + 32);
        first.capital = true;
    }
    typed_word& last = out.back();
    size_t end = last.text.size();
    while (end > 0 && is_final_punctuation(last.text[end - 1]))
        --end;
    if (end > 0 && end < last.text.size()) {
        last.text.resize(end);
        last.punctuation = true;
    }
    return out;
}

int feedback_distance(const std::string& x, const std::string& y) {
    const size_t lx = x.size(), ly = y.size();
    std::vector<std::vector<int>> d(lx + 1, std::vector<int>(ly + 1));
    for (size_t i = 0; i <= lx; ++i)
        d[i][0] = static_cast<int>(i);
    for (size_t j = 0; j <= ly; ++j)
        d[0][j] = static_cast<int>(j);
    for (size_t i = 1; i <= lx; ++i)
        for (size_t j = 1; j <= ly; ++j) {
            int best = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1,
                                 d[i - 1][j - 1] + (x[i - 1] == y[j - 1] ? 0 : 1)});
            if (i > 1 && j > 1 && x[i - 1] == y[j - 2] && x[i - 2] == y[j - 1])
                best = std::min(best, d[i - 2][j - 2] + 1);
            d[i][j] = best;
        }
    return d[lx][ly];
}

bool feedback_misspelt(const std::string& expected, const std::string& typed) {
    if (expected.empty() || typed.empty() || expected == typed) return false;
    const int d = feedback_distance(expected, typed);
    const int lx = static_cast<int>(expected.size()), ly = static_cast<int>(typed.size());
    if (lx < 3) return false;
    if (lx <= 5) return d <= 1;
    return d < lx / 2 && d < ly / 2;
}

feedback_costs current_feedback_costs() {
    feedback_costs c{};
    c.missing = std::max(vnomatchscore, 1);
    c.order = std::max(vorderscore, 1);
    c.lex = std::max(vsynscore, 1);
    c.morph = std::max(vmorphscore, 1);
    c.phon = std::max(vphonoscore, 1);
    c.spell = std::max(vapproxscore, 1);
    // Saturating: the costs come from the user and may be large.
    const long twice = 2L * c.missing;
    const long most = std::max({twice, static_cast<long>(c.order), static_cast<long>(c.lex),
                                static_cast<long>(c.morph), static_cast<long>(c.phon),
                                static_cast<long>(c.spell)});
    c.unrelated = static_cast<int>(std::min(most, static_cast<long>(INT_MAX / 4)));
    return c;
}

int finding_cost(Finding f, const feedback_costs& c) {
    switch (f) {
    case Finding::OK:
    case Finding::CASE:
    case Finding::PUNCTUATION:
        return 0;
    case Finding::FORM:
        return c.morph;
    case Finding::SPELLING:
        return c.spell;
    case Finding::SOUND:
        return c.phon;
    case Finding::RELATED:
        return c.lex;
    case Finding::MISSING:
    case Finding::EXTRA:
        return c.missing;
    case Finding::ORDER:
        return c.order;
    case Finding::UNRELATED:
        return c.unrelated;
    }
    return c.unrelated;
}

feedback_result feedback_align(const std::vector<std::string>& expected,
                               const std::vector<typed_word>& typed,
                               const std::vector<std::vector<feedback_cell>>& cells,
                               const feedback_costs& costs) {
    const size_t X = expected.size(), Y = typed.size();
    // Steps: 0 pair, 1 missing, 2 extra, 3 swap of two adjacent words.
    constexpr long INF = LONG_MAX / 4;
    std::vector<std::vector<long>> d(X + 1, std::vector<long>(Y + 1, INF));
    std::vector<std::vector<int>> step(X + 1, std::vector<int>(Y + 1, -1));
    d[0][0] = 0;
    for (size_t i = 0; i <= X; ++i)
        for (size_t j = 0; j <= Y; ++j) {
            long best = d[i][j];
            int how = step[i][j];
            auto offer = [&](long v, int s) {
                if (v < best) {
                    best = v;
                    how = s;
                }
            };
            if (i > 0 && j > 0 && cells[i - 1][j - 1].finding != Finding::UNRELATED)
                offer(d[i - 1][j - 1] + finding_cost(cells[i - 1][j - 1].finding, costs), 0);
            if (i > 1 && j > 1 && expected[i - 1] != expected[i - 2] &&
                zero_cost_match(cells[i - 2][j - 1].finding) &&
                zero_cost_match(cells[i - 1][j - 2].finding))
                offer(d[i - 2][j - 2] + costs.order, 3);
            // Between a missing and an extra word of equal cost, the side
            // that is ahead goes first, so that in a run of unrelated words
            // each expected word is followed by the word typed in its place.
            const bool expected_ahead = i * Y > j * X;
            if (expected_ahead) {
                if (i > 0) offer(d[i - 1][j] + costs.missing, 1);
                if (j > 0) offer(d[i][j - 1] + costs.missing, 2);
            } else {
                if (j > 0) offer(d[i][j - 1] + costs.missing, 2);
                if (i > 0) offer(d[i - 1][j] + costs.missing, 1);
            }
            d[i][j] = best;
            step[i][j] = how;
        }

    feedback_result r;
    r.score = static_cast<int>(std::min(d[X][Y], static_cast<long>(INT_MAX)));
    r.all_wrong = feedback_all_wrong(X, costs);
    size_t i = X, j = Y;
    while (i > 0 || j > 0) {
        const int s = step[i][j];
        if (s == 0) {
            const feedback_cell& c = cells[i - 1][j - 1];
            r.lines.push_back({c.finding, expected[i - 1], typed[j - 1].raw, c.detail});
            --i;
            --j;
        } else if (s == 3) {
            r.lines.push_back({Finding::ORDER, expected[i - 2] + " " + expected[i - 1],
                               typed[j - 2].raw + " " + typed[j - 1].raw,
                               "words in the wrong order"});
            i -= 2;
            j -= 2;
        } else if (s == 1) {
            r.lines.push_back({Finding::MISSING, expected[i - 1], "", "missing word"});
            --i;
        } else {
            r.lines.push_back({Finding::EXTRA, "", typed[j - 1].raw, "extra word"});
            --j;
        }
    }
    std::reverse(r.lines.begin(), r.lines.end());
    return r;
}

int feedback_percent(int score, int all_wrong) {
    if (score <= 0) return 100;
    if (all_wrong <= 0 || score >= all_wrong) return 0;
    const long long left = static_cast<long long>(all_wrong - score) * 100 / all_wrong;
    return static_cast<int>(std::clamp<long long>(left, 1, 99));
}

int feedback_all_wrong(size_t expected_words, const feedback_costs& c) {
    const long long all = static_cast<long long>(expected_words) * c.missing;
    return static_cast<int>(std::min<long long>(all, INT_MAX));
}

std::vector<std::string> feedback_text(const feedback_result& r) {
    std::vector<std::string> out;
    out.push_back("FEEDBACK SCORE : " + std::to_string(r.score));
    for (const feedback_line& l : r.lines) {
        std::string s = finding_name(l.finding);
        s += ' ';
        if (l.finding == Finding::MISSING)
            s += l.expected;
        else if (l.finding == Finding::EXTRA)
            s += l.typed;
        else
            s += l.expected + "/" + l.typed;
        if (!l.detail.empty() && l.finding != Finding::OK) s += "  " + l.detail;
        out.push_back(s);
    }
    out.push_back("***");
    return out;
}

void write_feedback(const char* response) {
    const std::vector<typed_word> typed = feedback_words(response);
    if (typed.empty()) return;
    const feedback_costs costs = current_feedback_costs();
    bool found = false;
    feedback_result best;
    for (int j = 1; j < NROOTSET && j < NTREES; ++j) {
        t_treenode* tree = rootPtrs[static_cast<size_t>(j)];
        if (!rootset[static_cast<size_t>(j)] || !tree) continue;
        // Expected words: each leaf's word, split where it holds a blank.
        std::vector<std::string> expected;
        std::vector<t_treenode*> from;
        std::vector<bool> whole;
        for (t_treenode* l = tree->right; l; l = l->right) {
            const std::vector<std::string> pieces = split_blanks(err_expected(l));
            for (const std::string& p : pieces) {
                expected.push_back(p);
                from.push_back(l);
                whole.push_back(pieces.size() == 1);
            }
        }
        std::vector<std::vector<feedback_cell>> cells(expected.size(),
                                                      std::vector<feedback_cell>(typed.size()));
        for (size_t a = 0; a < expected.size(); ++a)
            for (size_t b = 0; b < typed.size(); ++b)
                cells[a][b] = classify(expected[a], from[a], whole[a], typed[b]);
        feedback_result r = feedback_align(expected, typed, cells, costs);
        if (!found || r.score < best.score) {
            best = std::move(r);
            found = true;
        }
    }
    if (!found) return;
    for (const std::string& line : feedback_text(best))
        v_print(FEEDBACKCORE, line.c_str());
}

void grade() {
    grade_on = oxa::param[1] != 0 ? 1 : 0;
}

void resetfeedback() {
    grade_on = 0;
}

} // namespace bormo
