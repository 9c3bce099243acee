// oxa-check: arguments, the checks in order, the findings and the exit status
// (0 clean, 1 errors, 2 a usage error).
#include <cstdio>
#include <cstdlib>
#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include "check/check.hpp"
#include "packs/packs.hpp"
#include "version.hpp"

namespace {

const char* const usage =
    "usage: oxa-check [options] [DIR | PACK]\n"
    "Checks a language pack: DIR holds files named attributes, terminals,\n"
    "lexicon, syntax (required) and morphology, tables, user, tags, merrors,\n"
    "phonology; an option names one file instead.  PACK is the name of a pack\n"
    "in $OXA_PACKS (colon-separated folders) or share/oxa/packs beside oxa-check.\n"
    "  --attributes F --terminals F --lexicon F --morphology F --tables F\n"
    "  --syntax F --user F --tags F --merrors F --phonology F\n"
    "  --generate N   sample N generations (default 200, 0 for none)\n"
    "  --seed S       seed of the samples (default 123456789)\n"
    "  --print N      print the sentences of N generations (instead of --generate)\n"
    "  --json         findings as JSON lines\n"
    "  -q             errors only\n"
    "  --help, --version\n"
    "Exit status: 0 clean, 1 errors found, 2 usage error.\n";

int usageerror(const std::string& why) {
    std::fprintf(stderr, "oxa-check: %s\n%s", why.c_str(), usage);
    return 2;
}

bool number(const char* s, long& out) {
    char* end;
    errno = 0;
    out = std::strtol(s, &end, 10);
    return *s && !*end && errno == 0;
}

} // namespace

int main(int argc, char** argv) {
    using namespace check;
    std::string dir;
    long runs = 200;
    long seed = 123456789;
    bool print = false;
    bool generate = false;
    bool json = false;
    bool quiet = false;
    bool anyfile = false;
    for (int i = 1; i < argc; i++) {
        std::string a = argv[i];
        auto value = [&](const char*& v) {
            if (i + 1 >= argc) return false;
            v = argv[++i];
            return true;
        };
        const char* v = nullptr;
        if (a == "-h" || a == "--help") {
            std::fputs(usage, stdout);
            return 0;
        } else if (a == "--version") {
            oxa::printversion("oxa-check");
            return 0;
        } else if (a == "--json") {
            json = true;
        } else if (a == "-q") {
            quiet = true;
        } else if (a == "--generate") {
            if (!value(v) || !number(v, runs) || runs < 0 || runs > 1000000)
                return usageerror("--generate needs a number from 0 to 1000000");
            generate = true;
        } else if (a == "--print") {
            if (!value(v) || !number(v, runs) || runs < 1 || runs > 1000000)
                return usageerror("--print needs a number from 1 to 1000000");
            print = true;
        } else if (a == "--seed") {
            if (!value(v) || !number(v, seed)) return usageerror("--seed needs a number");
        } else if (a.size() > 2 && a.compare(0, 2, "--") == 0) {
            int kind = -1;
            for (int k = 0; k < NKINDS; k++)
                if (a == kindtable[static_cast<size_t>(k)].option) kind = k;
            if (kind < 0) return usageerror("unknown option " + a);
            if (!value(v)) return usageerror(a + " needs a file name");
            packfile[static_cast<size_t>(kind)] = v;
            anyfile = true;
        } else if (a[0] == '-') {
            return usageerror("unknown option " + a);
        } else if (dir.empty()) {
            dir = a;
        } else {
            return usageerror("one pack directory only");
        }
    }
    if (print && generate) return usageerror("--print and --generate cannot be given together");
    if (dir.empty() && !anyfile) return usageerror("no pack directory and no file given");
    if (!dir.empty()) {
        // A directory, or the name of an installed pack.
        const std::vector<std::string> path =
            oxa::packs::searchpath(std::getenv("OXA_PACKS"), oxa::packs::programdir(argv[0]));
        const std::string found = oxa::packs::findpack(dir, path);
        if (found.empty()) return usageerror(oxa::packs::notfound(dir, path));
        findfiles(found);
    }

    initengine();
    loadpack();
    samplesummary s{0, 0, 0, 0};
    if (readwhole()) {
        checkpack();
        if (!dir.empty()) checkvaluenames(dir);
        setprint(stdout, json);
        s = samplepack(static_cast<int>(runs), static_cast<unsigned long>(seed),
                       print ? printrun : nullptr);
    }
    printfindings(stdout, json, quiet);
    if (json) {
        std::printf("{\"summary\":{\"errors\":%d,\"warnings\":%d,\"runs\":%d,\"sentences\":%d,"
                    "\"empty\":%d,\"cut\":%d}}\n",
                    errorcount(), warningcount(), s.runs, s.sentences, s.empty, s.cut);
    } else if (!quiet) {
        std::printf("%d error%s, %d warning%s; %d generation%s, %d sentences (%d empty, %d cut)\n",
                    errorcount(), errorcount() == 1 ? "" : "s", warningcount(),
                    warningcount() == 1 ? "" : "s", s.runs, s.runs == 1 ? "" : "s", s.sentences,
                    s.empty, s.cut);
    }
    std::fflush(stdout);
    return errorcount() > 0 ? 1 : 0;
}
