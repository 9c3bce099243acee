// --print N: the sentences of N generations from the seed, so that an author
// can proof-read a pack without writing a procedure.  As text, each
// generation's lines as the engine labels them (its first line numbered);
// as JSON, one object a sentence with the generation, the label and the
// sentence.
#include "check/check.hpp"

namespace check {

namespace {

FILE* printout = stdout;
bool printjson = false;

} // namespace

void setprint(FILE* out, bool json) {
    printout = out;
    printjson = json;
}

void printrun(int run, const std::vector<std::string>& lines) {
    const std::string number = std::to_string(run) + ". ";
    bool first = true;
    for (const std::string& line : lines) {
        if (printjson) {
            const size_t colon = line.find(" : ");
            const std::string label = squeeze(line.substr(0, colon));
            const std::string sentence = colon == std::string::npos ? line : line.substr(colon + 3);
            std::fprintf(printout, "{\"generation\":%d,\"label\":%s,\"sentence\":%s}\n", run,
                         jsonstring(label).c_str(), jsonstring(sentence).c_str());
        } else {
            const std::string lead = first ? number : std::string(number.size(), ' ');
            std::fprintf(printout, "%s%s\n", lead.c_str(), utf8(line).c_str());
        }
        first = false;
    }
    if (lines.empty() && !printjson) std::fprintf(printout, "%s(no sentence)\n", number.c_str());
}

} // namespace check
