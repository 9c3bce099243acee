// Fuzz target: sentence generation, and what the engine keeps between
// generations (parsed attribute texts, rule children, rule and table
// references, guard shapes, attribute codes, lexicon candidates, record field
// starts).  Whatever is kept must follow every reload and every change of the
// stored texts, so the same pack and seed must give the same sentences whether
// it was loaded into an engine that has just generated from another pack or
// into a fresh one.
//
// The input is a language pack in sections separated by a line "@@@@":
// attributes, terminals, lexicon, morphology, tables, syntax and, optionally,
// a frequency change (the text of VFREQ).  A missing section is the fixed
// pack's.  Each input is run through the editor, as a user would, by a
// procedure:
//   warm:  load the fixed pack (bench/peers/oxa), generate a few sentences,
//          change a frequency there, generate again; read the input's
//          attributes, terminals and lexicon in place of the fixed pack's and
//          generate (over the fixed rules), then its morphology, tables and
//          syntax; generate K sentences with seed S.  When the input has a
//          frequency change, make it and generate K with seed S, then read
//          the lexicon file again and generate K with seed S once more.
//   fresh: from the reset state, load only the input's files; make the
//          frequency change first, before anything is generated, and
//          generate the same seeded runs, each from the same frequencies
//          as the warm run's (a generation may change the frequencies of
//          the entries it draws; when it does, the runs after the change
//          start from other frequencies and are not compared).
// Corefile 7 (messages and "label : sentence" lines), emptied just before
// each seeded run, must be the same after both runs, and the store must be
// sound after each.  The fixed pack is read from bench/peers/oxa under the
// current directory (fuzz/run.sh runs from the top of the repository).
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "editor_common.hpp"

namespace {

constexpr int NSECTIONS = 7;
const char* const KINDS[6] = {"AT", "TM", "LE", "MO", "TB", "SY"};
const char* const FILES[6] = {"attributes", "terminals", "lexicon", "morphology", "tables", "syntax"};

std::vector<std::string>& fixedpack() {
    static std::vector<std::string> pack;
    return pack;
}

std::string slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "generation_fuzz: cannot read %s (run from the top of the repository)\n",
                     path.c_str());
        std::abort();
    }
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The input's sections; missing ones are the fixed pack's, the frequency
// change is empty when absent.
std::vector<std::string> sections(const std::string& in) {
    std::vector<std::string> out(1);
    size_t at = 0;
    while (at < in.size() && out.size() <= NSECTIONS) {
        size_t end = in.find('\n', at);
        end = end == std::string::npos ? in.size() : end + 1;
        const std::string line = in.substr(at, end - at);
        if (line == "@@@@\n" || line == "@@@@")
            out.emplace_back();
        else
            out.back() += line;
        at = end;
    }
    if (out.size() > NSECTIONS) out.pop_back();
    for (size_t i = out.size(); i < 6; ++i)
        out.push_back(fixedpack()[i]);
    if (out.size() < NSECTIONS) out.emplace_back();
    // A frequency change is one line of the procedure, given as typed: only
    // printable ASCII (the editor reads other bytes as keys), and no '~'
    // that would turn its text into keys.
    std::string& vf = out[6];
    vf = vf.substr(0, vf.find_first_of("\r\n"));
    for (char& c : vf)
        if (c < ' ' || c >= 0x7f || c == '~') c = ' ';
    return out;
}

std::string command(const std::string& text) {
    return "~{C}~" + text + "\n";
}

// Reads files [from, to) of a pack.
std::string load(const char* prefix, int from = 0, int to = 6) {
    std::string s;
    for (int i = from; i < to; ++i)
        s += command(std::string(KINDS[i]) + prefix + FILES[i]);
    return s;
}

std::string clearmessages() {
    return command("CO7") + command("CL") + command("CO1");
}

std::string generations(int n) {
    std::string s = "\n~";
    for (int i = 0; i < n; ++i)
        s += "{[}g";
    return s + "~\n";
}

constexpr int K = 6;        // sentences of each seeded run
constexpr int SEED = 12345; // seed of the seeded runs

// A seeded run: corefile 7, emptied first, is kept as the file `out`.
std::string seededrun(const char* out) {
    return clearmessages() + command("RA" + std::to_string(SEED)) + generations(K) + command("CO7") +
           command(std::string("SA") + out) + command("CO1");
}

// The input's frequency change, answering its two questions.
std::string change(const std::string& vf) {
    return command("VF" + vf) + "\n\n\n";
}

// The lexicon file read again, which gives back the file's frequencies.
std::string reread(const char* prefix) {
    return command("RMLE") + command(std::string("LE") + prefix + "lexicon");
}

// After the warm run has generated from the pack, the change is made over
// the sets it keeps: out2 must be what a fresh load of the changed lexicon
// gives, out3 what the file gives.
std::string warmtail(const std::string& vf, const char* prefix) {
    std::string s = seededrun("out1");
    if (!vf.empty()) s += change(vf) + seededrun("out2") + reread(prefix) + seededrun("out3");
    return s;
}

// The lexicon as VDISPLAY 7 lists it (frequencies included), kept as `out`.
std::string lexicondump(const char* out) {
    return clearmessages() + command("VD7") + command("CO7") + command(std::string("SA") + out) +
           command("CO1");
}

// The fresh run makes the change before any generation.  A generation may
// itself change the frequencies of the entries it draws (a lookup's
// frequency variation), so each seeded run of both runs starts from the same
// frequencies: out1 and out3 from the file's, out2 from the file's changed.
// The lexicon is listed before and after out1: when out1 changed it, the
// warm run's out2 starts from other frequencies than the fresh run's and
// is not compared.
std::string freshtail(const std::string& vf, const char* prefix) {
    if (vf.empty()) return seededrun("out1");
    return change(vf) + seededrun("out2") + reread(prefix) + seededrun("out3") + reread(prefix) +
           lexicondump("lex0") + seededrun("out1") + lexicondump("lex1");
}

std::string scratchtext(const char* name) {
    std::ifstream in(fuzzing::editorrun().scratch / name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Runs `proc`; out1 to out3 in turn.  `drawschange` is set when the
// lexicon listed before out1 differs from the one listed after it.
std::vector<std::string> run(const std::string& proc, bool& drawschange) {
    fuzzing::scratchfile("proc", proc);
    static const char start[] = {static_cast<char>(oxa::CMDKEY), 'P', 'R', 'p', 'r', 'o', 'c', '\r', 0};
    fuzzing::runeditor("", start);
    std::vector<std::string> out;
    for (const char* name : {"out1", "out2", "out3"})
        out.push_back(scratchtext(name));
    drawschange = scratchtext("lex0") != scratchtext("lex1");
    return out;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    for (const char* f : FILES)
        fixedpack().push_back(slurp(std::string("bench/peers/oxa/") + f));
    fuzzing::initeditor();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::vector<std::string> pack = sections(std::string(reinterpret_cast<const char*>(data), size));
    const std::string& vf = pack[6];
    // A change of the fixed pack's frequencies in the warm run, whatever the input holds.
    const std::string warm = load("w_") + command("RA7") + generations(3) + command("VFN [fem] /+5") +
                             "\n\n\n" + generations(2) + load("f_", 0, 3) + generations(2) +
                             load("f_", 3, 6) + warmtail(vf, "f_");
    const std::string fresh = load("f_") + freshtail(vf, "f_");

    std::vector<std::string> runs[2];
    const std::string* procs[2] = {&warm, &fresh};
    bool drawschange[2] = {false, false};
    for (int r = 0; r < 2; ++r) {
        fuzzing::clearscratch();
        for (int i = 0; i < 6; ++i) {
            if (!fuzzing::scratchfile((std::string("w_") + FILES[i]).c_str(), fixedpack()[i])) return 0;
            if (!fuzzing::scratchfile((std::string("f_") + FILES[i]).c_str(), pack[i])) return 0;
        }
        runs[r] = run(*procs[r], drawschange[r]);
    }
    std::string outputs[2];
    for (int r = 0; r < 2; ++r) {
        // Only the fresh run lists the lexicon.
        if (drawschange[1]) runs[r][1] = "(not compared: out1 changed the frequencies)";
        for (const std::string& o : runs[r])
            outputs[r] += o + "\n@@@@\n";
    }
    if (const char* show = std::getenv("GENERATION_FUZZ_SHOW")) {
        for (int r = 0; r < 2; ++r) {
            if (FILE* f = std::fopen((std::string(show) + (r ? ".fresh" : ".warm")).c_str(), "wb")) {
                std::fwrite(outputs[r].data(), 1, outputs[r].size(), f);
                std::fclose(f);
            }
        }
    }
    if (outputs[0] != outputs[1]) {
        std::fprintf(stderr, "== after another pack ==\n%s\n== fresh ==\n%s\n", outputs[0].c_str(),
                     outputs[1].c_str());
        __builtin_trap();
    }
    return 0;
}
