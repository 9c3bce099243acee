// Fuzz target: the whole editor, driven by the input as a keystroke stream.
//
// Every run starts from the reset state of every module, in a scratch
// directory emptied first, and ends at the end of its input (or at BYE).
// After each run the store must be sound.  The wire and emitted text go to
// /dev/null.
#include "editor_common.hpp"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzzing::initeditor();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzzing::clearscratch();
    fuzzing::runeditor(fuzzing::confine(data, size), nullptr);
    return 0;
}
