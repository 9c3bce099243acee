// Fuzz target: procedure files.  The input is a procedure file, which the
// editor loads with PROCEDURE from the reset state and runs (its translation,
// loops, patterns and the keys it gives); the keyboard gives nothing more.
// After each run the store must be sound, and a run slower than the editor
// target's limit is a finding.
#include "editor_common.hpp"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzzing::initeditor();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzzing::clearscratch();
    if (!fuzzing::scratchfile("proc", fuzzing::confine(data, size))) return 0;
    static const char start[] = {static_cast<char>(oxa::CMDKEY), 'P', 'R', 'p', 'r', 'o', 'c',
                                 '\r', 0};
    fuzzing::runeditor("", start);
    return 0;
}
