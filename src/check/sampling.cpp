// The sampling pass: the real engine generates N sets of sentences from a
// seed; every run-time message line is counted once per run that wrote it,
// and the sentences that came out empty or cut are counted.
#include "check/check.hpp"

#include <map>
#include <set>

#include <cstring>

#include "bormo/expansion.hpp"
#include "bormo/gencommands.hpp"
#include "bormo/lexicon.hpp"
#include "bormo/morphology.hpp"
#include "bormo/reader.hpp"
#include "bormo/syntax.hpp"
#include "bormo/vline.hpp"

namespace check {

namespace {

// Lines a run writes that are not problems.  Columns: the line's beginning.
constexpr const char* quietlines[] = {
    "Generation results:",
    "  ******",
    "Setting random seed",
    "Global preselection complete",
};
static_assert(sizeof(quietlines) / sizeof(quietlines[0]) == 4);

// Run-time messages whose name follows them: shown as "message: name".
constexpr const char* namedmessages[] = {
    "Table not found",
    "Table index too high",
    "Terminal not found:",
    "No lexical entry found for",
    "Reference to non-existent morph rule",
    "cf expansion terminated",
    "- Bad Transformation Name:",
};
static_assert(sizeof(namedmessages) / sizeof(namedmessages[0]) == 7);

struct runstate {
    std::set<std::string> messages; // distinct messages of this run
    std::vector<std::string> lines; // its sentence lines, in order
    int sentences = 0;
    int empty = 0;
    int cutlines = 0;
    bool stopped = false; // an expansion or a transformation was cut short
};
runstate run;

// Where each message was first written, when the engine was evaluating a
// morphology expression then.
std::map<std::string, occurrence> evalplaces;

// ---- Where the engine stood: the expression being evaluated ----

bool within(const char* p, const char* text) {
    return text && p >= text && p <= text + std::strlen(text);
}

// The reference the evaluator reads next from p, as it reads it: "$name" (a
// rule call, `call` set), "name(" (a table) or "#n" (a field, no name).
std::string nextreference(const char* p, bool& call) {
    call = false;
    std::string name;
    for (;;) {
        const char c = *p;
        if (c == 0 || c == '|' || c == '#') return "";
        ++p;
        if (c == '$') {
            call = true;
            name.clear();
            while (bormo::is_wordchar(static_cast<unsigned char>(*p)))
                name += *p++;
            return name;
        }
        if (c == '(') return name;
        if (c == '"') {
            while (*p && *p != '"')
                ++p;
            if (*p) ++p;
        } else if (bormo::is_wordchar(static_cast<unsigned char>(c))) {
            name += c;
        } else if (c != ' ' && c != '+') {
            name.clear();
        }
    }
}

// Field 1 of a lexicon record, without its quotes.
std::string entryword(const char* record) {
    std::string w;
    for (const char* q = record; *q && *q != '|'; ++q)
        if (*q != '"') w += *q;
    return w;
}

// The first place of `ident` among the identifiers of `kind` from where the
// item `owner` began to where the next item begins; the item's own place
// when the name is not read there.
occurrence placewithin(int kind, const std::string& owner, const std::string& ident) {
    const std::vector<occurrence>& its = items[static_cast<size_t>(kind)];
    const occurrence* start = nullptr;
    const occurrence* end = nullptr;
    for (size_t i = 0; i < its.size() && !start; i++)
        if (its[i].ident == owner) {
            start = &its[i];
            if (i + 1 < its.size()) end = &its[i + 1];
        }
    if (!start) return {"", "", 0, 0};
    auto at_or_after = [](const occurrence& o, const occurrence& a) {
        return o.line > a.line || (o.line == a.line && o.col >= a.col);
    };
    if (!ident.empty())
        for (const occurrence& o : idents[static_cast<size_t>(kind)]) {
            if (o.ident != ident || o.file != start->file || !at_or_after(o, *start)) continue;
            if (end && end->file == o.file && at_or_after(o, *end)) break;
            return o;
        }
    return *start;
}

// The rule, table or lexicon entry whose expression the engine is
// evaluating, placed at the reference it is reading; file empty when it is
// evaluating none.
occurrence evaluationplace() {
    if (bormo::exp_sp <= 0 || bormo::exp_sp > bormo::EXPSTACK) return {"", "", 0, 0};
    const char* p = bormo::exp_stack[static_cast<size_t>(bormo::exp_sp - 1)];
    if (!p) return {"", "", 0, 0};
    bool call = false;
    const std::string ref = nextreference(p, call);
    // A rule being called: what went wrong is in that rule (its guards).
    if (call && bormo::find_mrule(ref.c_str())) return placewithin(K_MORPHOLOGY, "rule " + ref, "");
    for (int k = 0; k <= bormo::numrules; k++)
        for (bormo::subrule* r = bormo::ruleheader[static_cast<size_t>(k)]; r; r = r->nextsub)
            if (within(p, r->mexp)) return placewithin(K_MORPHOLOGY, std::string("rule ") + r->rulename, ref);
    for (bormo::table* t = bormo::tablelist; t; t = t->next)
        if (within(p, t->elements)) return placewithin(K_TABLES, std::string("table ") + t->tablename, ref);
    if (bormo::dictterm >= 0 && bormo::dictionary)
        for (int t = 0; t < bormo::terminal_count; t++)
            for (bormo::recnode* e = bormo::dictionary[t]; e; e = e->previous)
                if (within(p, e->recordptr)) return placewithin(K_LEXICON, entryword(e->recordptr), ref);
    return {"", "", 0, 0};
}

// "Question  : the cat sleeps." and the like: a label of word characters.
bool sentenceline(const std::string& line, std::string& sentence) {
    size_t c = line.find(" : ");
    if (c == std::string::npos || c == 0) return false;
    for (size_t i = 0; i < c; i++) {
        unsigned char ch = static_cast<unsigned char>(line[i]);
        if (!bormo::is_wordchar(ch) && ch != ' ') return false;
    }
    sentence = line.substr(c + 3);
    return true;
}

std::string runmessage(const std::string& line) {
    std::string m = squeeze(startswith(line, "ERROR ") ? line.substr(6) : line);
    for (const char* n : namedmessages) {
        std::string p = n;
        if (!startswith(m, p) || m.size() == p.size()) continue;
        std::string rest = squeeze(m.substr(p.size()));
        if (p.back() == ':') p.pop_back();
        return p + ": " + rest;
    }
    return m;
}

void onrun(int corefile, const char* text) {
    if (corefile != bormo::MSGCORE) return;
    std::string line = text;
    if (line.empty()) return;
    for (const char* q : quietlines)
        if (startswith(line, q)) return;
    std::string sentence;
    if (!startswith(line, "ERROR") && sentenceline(line, sentence)) {
        run.lines.push_back(line);
        run.sentences++;
        if (squeeze(sentence).empty()) run.empty++;
        return;
    }
    if (startswith(line, "Sentence cut to")) {
        run.cutlines++;
        return;
    }
    std::string m = runmessage(line);
    if (startswith(m, "cf expansion terminated") || startswith(m, "transformation terminated"))
        run.stopped = true;
    run.messages.insert(m);
    if (!evalplaces.count(m)) {
        occurrence o = evaluationplace();
        if (!o.file.empty()) evalplaces[m] = o;
    }
}

// Where a run-time message points: the first place one of its words (from
// the last) is read in the pack, else the syntax file.
occurrence placeof(const std::string& message) {
    std::vector<std::string> words;
    std::string w;
    for (char c : message + " ") {
        if (bormo::is_wordchar(static_cast<unsigned char>(c))) {
            w += c;
        } else {
            if (!w.empty()) words.push_back(w);
            w.clear();
        }
    }
    static const int order[] = {K_LEXICON, K_MORPHOLOGY, K_TABLES, K_SYNTAX, K_USER, K_TERMINALS};
    for (auto i = words.rbegin(); i != words.rend(); ++i)
        for (int k : order)
            if (const occurrence* o = firstplace(k, *i)) return *o;
    return {"", packfile[K_SYNTAX], 0, 0};
}

std::string percent(int part, int whole) {
    if (whole == 0) return "0%";
    char buf[32];
    snprintf(buf, sizeof buf, "%.1f%%", 100.0 * part / whole);
    return buf;
}

} // namespace

samplesummary samplepack(int runs, unsigned long seed, sentencesink sink) {
    samplesummary sum{0, 0, 0, 0};
    if (runs <= 0) return sum;
    if (!(bormo::installed & bormo::VF_LE) || !bormo::getrule("ROOT")) return sum;
    bormo::reseed(static_cast<long>(seed));
    evalplaces.clear();
    std::map<std::string, int> hits; // message -> runs that wrote it
    std::vector<std::string> order;
    bormo::v_printhook = onrun;
    for (int i = 0; i < runs; i++) {
        run = runstate{};
        bormo::v_overflow = false;
        bormo::v_stop_on_overflow = true;
        bormo::interpret();
        bormo::v_stop_on_overflow = false;
        if (sink) sink(i + 1, run.lines);
        for (const std::string& m : run.messages)
            if (hits[m]++ == 0) order.push_back(m);
        sum.runs++;
        sum.sentences += run.sentences;
        sum.empty += run.empty;
        sum.cut += run.stopped ? run.sentences : std::min(run.cutlines, run.sentences);
    }
    bormo::v_printhook = nullptr;
    for (const std::string& m : order) {
        auto e = evalplaces.find(m);
        occurrence o = e != evalplaces.end() ? e->second : placeof(m);
        std::string hint;
        const std::string unknown = "Unknown attribute ";
        if (startswith(m, unknown) && m.size() > unknown.size())
            hint = attributehint(m.substr(unknown.size(), m.find_first_of("./ ", unknown.size()) - unknown.size()));
        report(o.file, o.line, o.col, S_ERROR,
               m + hint + " (" + std::to_string(hits[m]) + " of " + std::to_string(runs) + ")");
    }
    if (sum.empty > 0)
        report(packfile[K_SYNTAX], 0, 0, S_WARNING,
               std::to_string(sum.empty) + " of " + std::to_string(sum.sentences) +
                   " sentences came out empty (" + percent(sum.empty, sum.sentences) + ")");
    if (sum.cut > 0)
        report(packfile[K_SYNTAX], 0, 0, S_WARNING,
               std::to_string(sum.cut) + " of " + std::to_string(sum.sentences) +
                   " sentences came out cut (" + percent(sum.cut, sum.sentences) + ")");
    return sum;
}

} // namespace check
