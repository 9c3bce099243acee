// Fuzz target: text files, as FETCH, APPEND and INSERT read them and SAVE
// writes them.  The input is a file that the editor, from the reset state,
// fetches and saves as g; g fetched into another corefile and saved as h must
// give h equal to g byte for byte (a saved file reads back as it was).  The
// file is then appended and inserted, the first time through a record check.
// After each run the store must be sound, and a run slower than the editor
// target's limit is a finding.
#include "editor_common.hpp"

#include <fstream>
#include <iterator>
#include <optional>

namespace {

std::string script() {
    const std::string cmd(1, static_cast<char>(oxa::CMDKEY));
    return cmd + "FEf\r" + cmd + "SAg\r" + cmd + "CO2\r" + cmd + "FEg\r" + cmd + "SAh\r" +
           cmd + "CO3\r" + cmd + "APf|||1x\r" + cmd + "INf\r" + cmd + "EM\r";
}

std::optional<std::string> contents(const char* name) {
    std::ifstream f(fuzzing::editorrun().scratch / name, std::ios::binary);
    if (!f) return std::nullopt;
    return std::string(std::istreambuf_iterator<char>(f), {});
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzzing::initeditor();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string keys = script();
    fuzzing::clearscratch();
    if (!fuzzing::scratchfile("f", std::string(reinterpret_cast<const char*>(data), size)))
        return 0;
    fuzzing::runeditor(keys, nullptr);
    const auto g = contents("g");
    const auto h = contents("h");
    if (g && h && *g != *h) __builtin_trap();
    return 0;
}
