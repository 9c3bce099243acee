// Error analysis: the driver, the word classification, the spelling distance,
// the scoring of a tree, the report and the root set.
#include "bormo/compare.hpp"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "bormo/expansion.hpp"
#include "bormo/feedback.hpp"
#include "bormo/gencommands.hpp"
#include "bormo/reader.hpp"
#include "bormo/variants.hpp"
#include "bormo/vline.hpp"
#include "bormo/wordpairs.hpp"
#include "editor/frontend.hpp"
#include "editor/params.hpp"

namespace bormo {

int vnomatchscore = 0;
int vorderscore = 0;
int vsynscore = 0;
int vmorphscore = 0;
int vphonoscore = 0;
int vapproxscore = 0;

std::array<int, NROOTSET> rootset{};
int rootsetinit = 0;

namespace {

void default_rootset() {
    for (int i = 0; i < NROOTSET; ++i)
        rootset[i] = i >= 2 ? 1 : 0;
    rootsetinit = 1;
}

// The tree kept under number j, or null (ROOT is never kept under 0).
t_treenode* tree_of(int j) {
    if (j < 1 || j >= NTREES) return nullptr;
    return rootPtrs[j];
}

const char* sentence_of(int j) {
    const char* s = (j >= 0 && j < NTREES) ? genSentences[j] : nullptr;
    return s ? s : "";
}

} // namespace

void err_Progress(const char* text) {
    v_print(MSGCORE, text);
    oxa::progress(text);
}

void perrorscore() {
    v_printf(MSGCORE,
             "Error scores: missing/extra %d; order %d; lex %d; morph %d; phon %d; spell %d",
             vnomatchscore, vorderscore, vsynscore, vmorphscore, vphonoscore, vapproxscore);
}

int strdiff(const char* x, const char* y) {
    if (!x || !y || !*x || !*y) return NOMATCH;
    const size_t lx = strlen(x), ly = strlen(y);
    // Two rows of the (lx+1) x (ly+1) table are enough for the distance.
    std::vector<int> prev(ly + 1), cur(ly + 1);
    for (size_t j = 0; j <= ly; ++j)
        prev[j] = static_cast<int>(j);
    for (size_t i = 1; i <= lx; ++i) {
        cur[0] = static_cast<int>(i);
        for (size_t j = 1; j <= ly; ++j) {
            int diag = prev[j - 1] + (x[i - 1] == y[j - 1] ? 0 : 1);
            int above = prev[j] + 1;
            int leftc = cur[j - 1] + 1;
            int best = diag;
            if (above < best) best = above;
            if (leftc < best) best = leftc;
            cur[j] = best;
        }
        std::swap(prev, cur);
    }
    const int d = prev[ly];
    const int hx = static_cast<int>(lx) / 2, hy = static_cast<int>(ly) / 2;
    if (lx == 1 && ly == 1 && d == 0) return d;
    if (lx == 3 && d < 2) return d;
    if (d < hx && d < hy) return d;
    return NOMATCH;
}

err_lex* err_make_words(const char* text) {
    err_lex* head = nullptr;
    err_lex** tail = &head;
    if (!text) return nullptr;
    const char* p = text;
    while (*p) {
        while (*p == ' ' || *p == '\t' || *p == '\n')
            ++p;
        if (!*p) break;
        const char* start = p;
        while (*p && *p != ' ' && *p != '\t' && *p != '\n')
            ++p;
        auto* w = new err_lex{std::string(start, static_cast<size_t>(p - start))};
        *tail = w;
        tail = &w->next;
    }
    return head;
}

void err_free_words(err_lex* words) {
    while (words) {
        err_lex* n = words->next;
        delete words;
        words = n;
    }
}

std::string err_expected(const t_treenode* leaf) {
    std::string s;
    if (leaf && leaf->morphed_word)
        for (const char* p = leaf->morphed_word; *p; ++p)
            if (*p != '^') s += *p;
    return s;
}

int err_class_cost(int matchclass) {
    switch (matchclass) {
    case CLASS_EXACT:
        return vexactscore;
    case CLASS_MORPH:
        return vmorphscore;
    case CLASS_APPROX:
        return vapproxscore;
    case CLASS_UNRELATED:
        return vorderscore;
    case CLASS_PHONO:
        return vphonoscore;
    default:
        return matchclass >= CLASS_TAG ? vsynscore : vorderscore;
    }
}

namespace {

// The descriptions of a cell of the work area as the report writes them.
void fill_cell(size_t i, size_t j, int matchclass, lexdiff* cell) {
    cell->matchclass = matchclass;
    for (std::string& e : cell->error)
        e.clear();
    for (std::string& b : cell->breakup)
        b.clear();
    cell->error[0] = "none";
    const pair_cell& c = pair_at(i, j);
    if (matchclass == CLASS_MORPH) {
        for (uint32_t k = 0; k < c.variant_n && k < NBREAKUP; ++k)
            cell->breakup[k] = pairs_text(wordpairs.refs[c.variant_at + k]);
    } else if (matchclass == CLASS_PHONO) {
        if (c.phono_error) cell->error[0] = PHONO_MISMATCH;
        for (uint32_t k = 0; k < c.phono_n && k < NBREAKUP; ++k)
            cell->breakup[k] = pairs_text(wordpairs.refs[c.phono_at + k]);
    }
}

} // namespace

void err_word_diff(const char* word, t_treenode* leaf, lexdiff* cell) {
    pairs_columns({std::string_view(word ? word : "")});
    pairs_single(leaf);
    fill_cell(0, 0, pair_matchclass(0, 0), cell);
}

namespace {

// The report's lines from the cells, whichever way they are kept: `cells`
// gives class(i, j) and the descriptions of pair (i, j), both counted from 1.
template <class Cells>
std::string report_text(const std::vector<std::string_view>& expected,
                        const std::vector<std::string_view>& words, const Cells& cells) {
    const int X = static_cast<int>(expected.size());
    const int Y = static_cast<int>(words.size());
    auto cls = [&](int i, int j) { return cells.matchclass(i, j); };
    std::string out;
    char buf[64];
    bool allcorrect = true;

    // Each expected word's partner: the nearest related response word.
    std::vector<int> partner(X + 1, 0);
    for (int i = 1; i <= X; ++i) {
        int best = 0;
        for (int j = 1; j <= Y; ++j) {
            if (cls(i, j) == CLASS_UNRELATED) continue;
            if (best == 0 || std::abs(i - j) < std::abs(i - best)) best = j;
        }
        if (best == 0) {
            snprintf(buf, sizeof buf, "C%i --  MISSING  ", i);
            out.append(buf).append(expected[i - 1]).append("\n");
            allcorrect = false;
        } else {
            partner[i] = best;
            if (best != i || cls(i, best) != CLASS_EXACT) allcorrect = false;
        }
    }

    // Each response word goes to the first related expected word still free.
    std::vector<int> given(X + 1, 0);
    for (int j = 1; j <= Y; ++j) {
        int to = 0;
        for (int i = 1; i <= X && !to; ++i)
            if (cls(i, j) != CLASS_UNRELATED && !given[i]) to = i;
        if (to) {
            given[to] = j;
        } else {
            snprintf(buf, sizeof buf, "-- S%i  EXTRA    ", j);
            out.append(buf).append(words[j - 1]).append("\n");
            allcorrect = false;
        }
    }

    if (allcorrect) {
        out += "CORRECT\n";
    } else {
        for (int i = 1; i <= X; ++i) {
            if (!partner[i] || !given[i]) continue;
            const int j = partner[i];
            const int c = cls(i, j);
            snprintf(buf, sizeof buf, "C%i S%i   ", i, j);
            out += buf;
            auto pair = [&] { out.append(expected[i - 1]).append("/").append(words[j - 1]); };
            if (c == CLASS_EXACT) {
                out += "EXACT   ";
                pair();
                out += "\n";
            } else if (c == CLASS_MORPH) {
                out += "MORPH    ";
                pair();
                out += " ";
                const size_t n = cells.breakups(i, j);
                for (size_t k = 0; k < n; ++k) {
                    if (k > 0) out += "OR  ";
                    out.append(cells.breakup(i, j, k)).append("  ");
                }
                out += "\n";
            } else if (c == CLASS_APPROX) {
                out += "APPROX   ";
                pair();
                out += "\n";
            } else if (c == CLASS_PHONO) {
                out += "PHONO ";
                pair();
                out += "   ";
                if (const char* e = cells.error(i, j)) {
                    out.append("\n").append(e);
                } else {
                    const size_t n = cells.breakups(i, j);
                    for (size_t k = 0; k < n; ++k)
                        out.append(cells.breakup(i, j, k)).append(" ");
                }
                out += "\n";
            } else if (c >= CLASS_TAG) {
                const tag_table* t = find_tag(c);
                snprintf(buf, sizeof buf, "  %i:", t ? t->field : 0);
                out += "LEX ";
                pair();
                out.append(buf).append(t && t->tag ? t->tag : "").append("\n");
            } else {
                out += "\n";
            }
        }
    }
    out += "***\n";
    return out;
}

// Cells given as lexdiff records.
struct lexdiff_cells {
    const std::vector<std::vector<lexdiff>>& cells;
    const lexdiff& at(int i, int j) const { return cells[i - 1][j - 1]; }
    int matchclass(int i, int j) const { return at(i, j).matchclass; }
    size_t breakups(int i, int j) const {
        size_t n = 0;
        while (n < NBREAKUP && !at(i, j).breakup[n].empty())
            ++n;
        return n;
    }
    std::string_view breakup(int i, int j, size_t k) const { return at(i, j).breakup[k]; }
    const char* error(int i, int j) const {
        return at(i, j).error[0] != "none" ? at(i, j).error[0].c_str() : nullptr;
    }
};

// The cells of the work area, with the classes already decided.
struct grid_cells {
    const std::vector<int>& classes; // expected word i, response word j at (i-1) * Y + j-1
    size_t Y;
    const pair_cell& at(int i, int j) const { return pair_at(i - 1, j - 1); }
    int matchclass(int i, int j) const { return classes[(i - 1) * Y + (j - 1)]; }
    size_t breakups(int i, int j) const {
        return matchclass(i, j) == CLASS_MORPH ? at(i, j).variant_n : at(i, j).phono_n;
    }
    std::string_view breakup(int i, int j, size_t k) const {
        const pair_cell& c = at(i, j);
        return pairs_text(wordpairs.refs[(matchclass(i, j) == CLASS_MORPH ? c.variant_at : c.phono_at) + k]);
    }
    const char* error(int i, int j) const { return at(i, j).phono_error ? PHONO_MISMATCH : nullptr; }
};

} // namespace

std::string err_get_report(const std::vector<std::string>& expected,
                           const std::vector<std::string>& words,
                           const std::vector<std::vector<lexdiff>>& cells) {
    return report_text(std::vector<std::string_view>(expected.begin(), expected.end()),
                       std::vector<std::string_view>(words.begin(), words.end()),
                       lexdiff_cells{cells});
}

namespace {

// The classes of the pairs of the tree in the work area with its first Y
// columns (the response words), reused from tree to tree.
std::vector<int> tree_classes;

// Scores the tree in the work area against its first Y columns and builds
// its report.
scorelist_t* score_tree(size_t Y) {
    oxa::progress("Parsing response");
    const size_t X = pairs_leaves();
    tree_classes.resize(X * Y);
    for (size_t i = 0; i < X; ++i)
        for (size_t j = 0; j < Y; ++j)
            tree_classes[i * Y + j] = pair_matchclass(i, j);

    // Costs are summed wide and the total held within 0 .. INT_MAX: large
    // costs from ESCORE never wrap round to a negative score.
    int64_t total = 0;
    for (size_t k = 0; k < X && k < Y; ++k)
        total += err_class_cost(tree_classes[k * Y + k]);
    total += static_cast<int64_t>(X > Y ? X - Y : Y - X) * vnomatchscore;
    total = std::clamp<int64_t>(total, 0, INT_MAX);
    auto* rec = new scorelist_t{std::string(), static_cast<int>(total)};

    err_Progress("Analyzing errors, printing to ERRORSCORE");
    std::vector<std::string_view> expected, typed;
    for (size_t i = 0; i < X; ++i)
        expected.push_back(pairs_expected(i));
    for (size_t j = 0; j < Y; ++j)
        typed.push_back(pairs_typed(j));
    rec->output_text = report_text(expected, typed, grid_cells{tree_classes, Y});
    return rec;
}

std::vector<std::string_view> texts_of(const err_lex* words) {
    std::vector<std::string_view> out;
    for (const err_lex* w = words; w; w = w->next)
        out.emplace_back(w->original_text);
    return out;
}

} // namespace

scorelist_t* err_lexlist_diff(err_lex* words, t_treenode* tree) {
    const std::vector<std::string_view> texts = texts_of(words);
    pairs_columns(texts);
    pairs_tree(tree);
    return score_tree(texts.size());
}

void err_analysis(const char* response) {
    if (!rootsetinit) default_rootset();
    bool any = false;
    for (int j = 0; j < NROOTSET; ++j)
        if (rootset[j] && tree_of(j)) any = true;
    if (!any) {
        err_Progress("No roots found in ROOTSET to perform error testing");
        return;
    }
    err_Progress("Beginning error analysis");
    oxa::progress("Finding lexical units");
    err_lex* words = err_make_words(response);
    if (!words) {
        const std::string op = file_operation, pos = file_position;
        file_operation = "error analysis";
        file_position.clear();
        v_err("Error analysis called but no student response found", nullptr, nullptr);
        file_operation = op;
        file_position = pos;
        oxa::diserr("No student response");
        return;
    }
    mrmodify();
    // The response is split once: the report compares its words, and the
    // feedback adds the texts it compares besides (an elided article split
    // off, the first word without its capital ...) as further columns.
    std::vector<std::string_view> columns = texts_of(words);
    const size_t Y = columns.size();
    if (grade_on) feedback_start(words, columns);
    pairs_columns(columns);

    scorelist_t* best = nullptr;
    int bestroot = -1;
    char buf[64];
    for (int j = 0; j < NROOTSET; ++j) {
        t_treenode* tree = tree_of(j);
        if (!rootset[j] || !tree) continue;
        all_variants(tree);
        v_print(MSGCORE, "");
        v_print(MSGCORE, "");
        snprintf(buf, sizeof buf, "Comparing response to root %i", j);
        err_Progress(buf);
        save_cursor(REPORTCORE);
        pairs_tree(tree);
        scorelist_t* rec = score_tree(Y);
        if (grade_on) feedback_tree();
        v_print(MSGCORE, "  *****");
        v_printf(MSGCORE, "CURRENT ROOT : R%d", j);
        v_printf(MSGCORE, "SCORE        : %d", rec->score);
        v_printf(MSGCORE, "EXPECTED : %s", sentence_of(j));
        v_printf(MSGCORE, "RESPONSE : %s", response);
        v_print(MSGCORE, "  *****");
        if (!best || rec->score < best->score) {
            delete best;
            best = rec;
            bestroot = j;
        } else {
            delete rec;
        }
    }

    if (best) {
        v_printf(REPORTCORE, "BEST ROOT : R%d", bestroot);
        v_printf(REPORTCORE, "SCORE     : %d", best->score);
        v_printf(REPORTCORE, "EXPECTED : %s", sentence_of(bestroot));
        v_printf(REPORTCORE, "RESPONSE : %s", response);
        const std::string& t = best->output_text;
        size_t from = 0;
        while (from < t.size()) {
            size_t nl = t.find('\n', from);
            if (nl == std::string::npos) nl = t.size();
            v_print(REPORTCORE, t.substr(from, nl - from).c_str());
            from = nl + 1;
        }
    } else {
        v_print(REPORTCORE, "Error: no score was found");
    }
    if (grade_on) feedback_write();
    err_Progress("Cleaning up data structures");
    delete best;
    err_free_words(words);
}

void err_analysis_single(const char* response, int n) {
    if (!rootsetinit) default_rootset();
    const std::array<int, NROOTSET> saved = rootset;
    rootset.fill(0);
    if (n >= 0 && n < NROOTSET) rootset[n] = 1;
    err_analysis(response);
    rootset = saved;
}

void err_set_rootset(const char* text) {
    bool empty = true;
    for (const char* p = text; p && *p; ++p)
        if (*p != ' ' && *p != '\t') empty = false;
    if (empty) {
        default_rootset();
        v_printf(MSGCORE, "ROOTSET restored to default set: 2 3 4 ... %d", NROOTSET);
        return;
    }
    std::array<int, NROOTSET> set{};
    for (const char* p = text; *p;) {
        if (*p < '0' || *p > '9') {
            ++p;
            continue;
        }
        // A run of digits; a long run stays above 20 without overflowing.
        long n = 0;
        for (; *p >= '0' && *p <= '9'; ++p)
            if (n < 1000) n = n * 10 + (*p - '0');
        if (n < NROOTSET) set[n] = 1;
    }
    rootset = set;
    rootsetinit = 1;
    std::string list;
    for (int i = 0; i < NROOTSET; ++i)
        if (rootset[i]) list += std::to_string(i) + " ";
    v_printf(MSGCORE, "ROOTSET changed to set: %s", list.c_str());
}

void escore() {
    vnomatchscore = oxa::param[1];
    vorderscore = oxa::param[2];
    vsynscore = oxa::param[3];
    vmorphscore = oxa::param[4];
    vphonoscore = oxa::param[5];
    vapproxscore = oxa::param[6];
}

void vrootset() {
    err_set_rootset(oxa::picstring.data());
}

void perrorscores() {
    perrorscore();
}

void vnewcompare() {
    getresponse();
    err_analysis(response.data());
}

void resetcompare() {
    vnomatchscore = vorderscore = vsynscore = vmorphscore = vphonoscore = vapproxscore = 0;
    rootset.fill(0);
    rootsetinit = 0;
    resetfeedback();
    resetwordpairs();
}

} // namespace bormo
