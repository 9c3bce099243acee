// Fuzz target: the language-file tokenizer, with includes, macros, quotes and
// comments.  The first byte chooses whether newlines are tokens.
#include <cstdint>
#include <cstring>

#include "fuzz_common.hpp"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    int lfr = data[0] & 1;
    const char* path = fuzzing::prepare(data + 1, size - 1);
    if (!path) return 0;
    bormo::file_operation = "test input";
    bormo::openfile(path, lfr);
    // Every token is consumed; a file of n bytes (plus macro text) cannot
    // deliver more than a bounded number of tokens before the end.
    for (long n = 0; bormo::v_peep() != bormo::T_EOF; n++) {
        if (n > 10000000) __builtin_trap();
        std::string s = bormo::tok2str(bormo::v_peep());
        if (bormo::v_peep() == bormo::T_IDENT && strlen(bormo::identbuf.data()) > 39)
            __builtin_trap();
        bormo::v_next();
    }
    if (bormo::fsptr != -1 || bormo::macrodict != nullptr) __builtin_trap();
    std::string report = oxa::checkstore();
    if (!report.empty()) __builtin_trap();
    return 0;
}
