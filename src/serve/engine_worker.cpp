// The worker side: the pack loaded with the engine's own readers, the
// learner-feedback settings of the drill, and the request loop.  The
// sentences, the feedback block and the report lines are passed on exactly
// as the engine writes them (only converted from Latin-1 to UTF-8).
#include "serve/engine_worker.hpp"

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdio>

#include "bormo/attributes.hpp"
#include "bormo/compare.hpp"
#include "bormo/expansion.hpp"
#include "bormo/feedback.hpp"
#include "bormo/gencommands.hpp"
#include "bormo/reader.hpp"
#include "bormo/sentences.hpp"
#include "bormo/valuenames.hpp"
#include "bormo/vline.hpp"
#include "check/check.hpp"
#include "editor/input.hpp"
#include "editor/store.hpp"
#include "serve/grading.hpp"
#include "serve/text.hpp"

namespace serve {

using nlohmann::json;

namespace {

// The corefiles a request writes, emptied after each one so that the
// store never fills however long the worker runs.
constexpr int written_cores[] = {bormo::MSGCORE, bormo::REPORTCORE, bormo::FEEDBACKCORE};

std::vector<std::string> reportlines, feedbacklines;
std::string loaded_revision; // of the files as they were read

void capture(int corefile, const char* text) {
    if (corefile == bormo::REPORTCORE) reportlines.push_back(text);
    if (corefile == bormo::FEEDBACKCORE) feedbacklines.push_back(text);
}

void clear_cores() {
    const int32_t keep = oxa::corenum;
    for (int c : written_cores) {
        oxa::corenum = c;
        oxa::clrfile();
    }
    oxa::corenum = keep;
}

// A message that waits for a key gets a return from here, never from the
// request pipe.
FILE* returns = nullptr;
char returnkeys[64];

void arm_returns() {
    if (!returns) {
        std::fill(std::begin(returnkeys), std::end(returnkeys), '\r');
        returns = fmemopen(returnkeys, sizeof returnkeys, "r");
    }
    if (returns) {
        rewind(returns);
        oxa::inptr = returns;
    }
}

bool has_tree(int n) {
    return n >= 0 && n < bormo::NTREES && bormo::genSentences[static_cast<size_t>(n)];
}

std::string sentence(int n) {
    return has_tree(n) ? latin1_to_utf8(bormo::genSentences[static_cast<size_t>(n)]) : "";
}

// Generates from `seed`; the prompt and expected tree numbers of `kind`.
bool generate(long seed, const kind_row& k, int& prompt, int& expected, std::string& error) {
    clear_cores();
    arm_returns();
    bormo::reseed(seed);
    bormo::interpret();
    expected = k.expected_tree >= 0 ? k.expected_tree : (has_tree(2) ? 2 : 0);
    prompt = k.prompt_tree >= 0 ? k.prompt_tree : expected;
    if (!has_tree(expected) || !has_tree(prompt)) {
        error = std::string("this pack makes no ") + (k.prompt_tree == 1 ? "questions" : "sentences");
        return false;
    }
    return true;
}

std::vector<std::string> words_of(const std::string& s) {
    std::vector<std::string> out;
    std::string w;
    for (char c : s + " ") {
        if (c == ' ') {
            if (!w.empty()) out.push_back(w);
            w.clear();
        } else {
            w += c;
        }
    }
    return out;
}

// Each leaf of tree n: its expected word (UTF-8) and the codes of its
// attribute values, in the leaves' order.
struct leaf_forms {
    std::string word;
    std::vector<std::string> values;
};

std::vector<leaf_forms> forms_of_tree(int n) {
    std::vector<leaf_forms> out;
    if (n < 0 || n >= bormo::NTREES || !bormo::rootPtrs[static_cast<size_t>(n)]) return out;
    for (bormo::t_treenode* l = bormo::rootPtrs[static_cast<size_t>(n)]->right; l; l = l->right) {
        leaf_forms f{latin1_to_utf8(bormo::err_expected(l)), {}};
        for (bormo::attr_list a = l->attributes; a; a = a->next)
            for (bormo::comp_attr c = a->first; c; c = c->another) {
                if (c->index < 0 || c->index >= bormo::DELAYSIZE) continue;
                const bormo::t_delay& d = bormo::delayed[static_cast<size_t>(c->index)];
                const char* name = d.choice >= 1 ? bormo::att_get_name(d.class_, d.choice) : nullptr;
                if (name && *name && std::find(f.values.begin(), f.values.end(), name) == f.values.end())
                    f.values.push_back(latin1_to_utf8(name));
            }
        out.push_back(std::move(f));
    }
    return out;
}

// `name` in `text` as a whole word (or words).
bool names_in(const std::string& text, const std::string& name) {
    const auto letter = [](unsigned char c) { return std::isalnum(c) || c >= 0x80; };
    for (size_t at = text.find(name); !name.empty() && at != std::string::npos; at = text.find(name, at + 1)) {
        const size_t end = at + name.size();
        if ((at == 0 || !letter(static_cast<unsigned char>(text[at - 1]))) &&
            (end == text.size() || !letter(static_cast<unsigned char>(text[end]))))
            return true;
    }
    return false;
}

// For each finding, the forms it names: those values of its expected word
// whose display names its explanation holds ("plural expected" names pl).
json finding_forms(const feedback& f, const std::vector<leaf_forms>& leaves) {
    json out = json::array();
    for (const finding& w : f.findings) {
        json forms = json::array();
        if (w.cls == "FORM")
            for (const leaf_forms& l : leaves) {
                if (l.word != w.expected && !names_in(l.word, w.expected)) continue;
                for (const std::string& v : l.values) {
                    std::string code;
                    uint32_t bad = 0;
                    utf8_to_latin1(v, code, bad);
                    if (names_in(w.explanation, latin1_to_utf8(bormo::display_name(code)))) forms.push_back(v);
                }
                break;
            }
        out.push_back(forms);
    }
    return out;
}

std::vector<std::string> all_forms(const std::vector<leaf_forms>& leaves) {
    std::vector<std::string> out;
    for (const leaf_forms& l : leaves)
        out.insert(out.end(), l.values.begin(), l.values.end());
    return out;
}

json to_utf8(const std::vector<std::string>& lines) {
    json out = json::array();
    for (const std::string& l : lines)
        out.push_back(latin1_to_utf8(l));
    return out;
}

} // namespace

const kind_row* find_kind(const std::string& name) {
    for (const kind_row& k : kinds)
        if (name == k.name) return &k;
    return nullptr;
}

bool valid_language(const std::string& language) {
    if (language.empty() || language.size() > 32) return false;
    for (char c : language)
        if (c < 'a' || c > 'z') return false;
    return true;
}

void load_pack_here(const std::string& dir, const std::string& language, int& errors) {
    check::resetload();
    check::resetdiagnostics();
    check::findfiles(dir);
    std::vector<std::string> files;
    for (const std::string& f : check::packfile)
        if (!f.empty()) files.push_back(f);
    loaded_revision = files_revision(files);
    check::initengine();
    bormo::resetcompare();
    bormo::resetfeedback();
    check::loadpack();
    errors = check::errorcount();
    // The drill's settings: error costs, phonology passes, feedback on.
    bormo::vnomatchscore = 10;
    bormo::vorderscore = 2;
    bormo::vsynscore = 5;
    bormo::vmorphscore = 3;
    bormo::vphonoscore = 2;
    bormo::vapproxscore = 4;
    bormo::morph_passes[21] = {0, 8, 0, 0, 0, 0};
    bormo::grade_on = 1;
    // The display names, as the drill loads them with VNAMES.
    bormo::resetvaluenames();
    const std::string names = dir + "/names-" + language;
    if (valid_language(language) && access(names.c_str(), R_OK) == 0) bormo::read_value_names(names.c_str());
    clear_cores();
}

json handle_request(const json& req) {
    try {
        const std::string op = req.at("op").get<std::string>();
        // A pack changed on disk since the server started is refused, so
        // that no exercise is ever made or graded from other files.
        if (req.contains("revision") && req["revision"] != loaded_revision)
            return {{"error", "revision"}, {"revision", loaded_revision}};
        const kind_row* k = find_kind(req.value("kind", std::string("statement")));
        if (!k) return {{"error", "unknown kind"}};
        int prompt = 0, expected = 0;
        std::string error;
        if (op == "generate" || op == "grade") {
            const long seed = req.at("seed").get<long>();
            if (!generate(seed, *k, prompt, expected, error)) return {{"error", error}};
            json out = {{"prompt", sentence(prompt)}, {"expected", sentence(expected)}};
            if (op == "generate") return out;
            std::string response;
            uint32_t bad = 0;
            if (!utf8_to_latin1(req.at("response").get<std::string>(), response, bad))
                return {{"error", "response not in the pack's characters"}};
            if (response.size() >= bormo::RESPONSESIZE) response.resize(bormo::RESPONSESIZE - 1);
            reportlines.clear();
            feedbacklines.clear();
            bormo::v_printhook = capture;
            bormo::err_analysis_single(response.c_str(), expected);
            bormo::v_printhook = nullptr;
            // The percent is the engine's, on the sentence's own scale.
            const feedback f = parse_feedback(feedbacklines);
            out["percent"] = f.score < 0 ? 0
                                         : bormo::feedback_percent(
                                               f.score, bormo::feedback_all_wrong(expected_words(f),
                                                                                  bormo::current_feedback_costs()));
            const feedback named = parse_feedback(to_utf8(feedbacklines));
            out["forms"] = finding_forms(named, forms_of_tree(expected));
            out["feedback"] = to_utf8(feedbacklines);
            out["report"] = to_utf8(reportlines);
            clear_cores();
            return out;
        }
        if (op == "words") {
            json all = json::array(), forms = json::array();
            for (const json& s : req.at("seeds")) {
                if (!generate(s.get<long>(), *k, prompt, expected, error)) return {{"error", error}};
                all.push_back(words_of(sentence(expected)));
                forms.push_back(all_forms(forms_of_tree(expected)));
            }
            clear_cores();
            return {{"words", all}, {"forms", forms}};
        }
        return {{"error", "unknown op"}};
    } catch (const json::exception&) {
        return {{"error", "malformed request"}};
    }
}

int run_worker(const std::string& dir, const std::string& language, int in, int out) {
    FILE* from = fdopen(in, "r");
    FILE* to = fdopen(out, "w");
    if (!from || !to) return 1;
    int errors = 0;
    load_pack_here(dir, language, errors);
    std::fprintf(to, "%s\n", json{{"ready", true}, {"errors", errors}, {"revision", loaded_revision}}.dump().c_str());
    std::fflush(to);
    std::string line;
    for (int c; (c = std::fgetc(from)) != EOF;) {
        if (c != '\n') {
            line += static_cast<char>(c);
            continue;
        }
        json reply;
        const json req = json::parse(line, nullptr, false);
        reply = req.is_discarded() ? json{{"error", "malformed request"}} : handle_request(req);
        line.clear();
        const std::string text = reply.dump(-1, ' ', false, json::error_handler_t::replace);
        if (std::fprintf(to, "%s\n", text.c_str()) < 0 || std::fflush(to) != 0) return 1;
    }
    return 0;
}

} // namespace serve
