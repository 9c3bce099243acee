// The sampling pass: the real engine generates N sets of sentences from a
// seed; every run-time message line is counted once per run that wrote it,
// and the sentences that came out empty or cut are counted.
#include "check/check.hpp"

#include <map>
#include <set>

#include "bormo/expansion.hpp"
#include "bormo/gencommands.hpp"
#include "bormo/lexicon.hpp"
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
    int sentences = 0;
    int empty = 0;
    int cutlines = 0;
    bool stopped = false; // an expansion or a transformation was cut short
};
runstate run;

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

samplesummary samplepack(int runs, unsigned long seed) {
    samplesummary sum{0, 0, 0, 0};
    if (runs <= 0) return sum;
    if (!(bormo::installed & bormo::VF_LE) || !bormo::getrule("ROOT")) return sum;
    bormo::reseed(static_cast<long>(seed));
    std::map<std::string, int> hits; // message -> runs that wrote it
    std::vector<std::string> order;
    bormo::v_printhook = onrun;
    for (int i = 0; i < runs; i++) {
        run = runstate{};
        bormo::v_overflow = false;
        bormo::v_stop_on_overflow = true;
        bormo::interpret();
        bormo::v_stop_on_overflow = false;
        for (const std::string& m : run.messages)
            if (hits[m]++ == 0) order.push_back(m);
        sum.runs++;
        sum.sentences += run.sentences;
        sum.empty += run.empty;
        sum.cut += run.stopped ? run.sentences : std::min(run.cutlines, run.sentences);
    }
    bormo::v_printhook = nullptr;
    for (const std::string& m : order) {
        occurrence o = placeof(m);
        report(o.file, o.line, o.col, S_ERROR,
               m + " (" + std::to_string(hits[m]) + " of " + std::to_string(runs) + ")");
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
