// Fuzz target: the record files.  The input is one file that the editor, from
// the reset state, reads in turn as each of the files about records:
//   - the record checks (fetched into corefile 18), evaluated by the check
//     unit's search, count and display and by a FETCH that filters records;
//   - a record template (TEMPLATE 1), laid out and drawn in object type 2,
//     with text typed into its fields;
//   - a merge template (TEMPLATE 2), merged with a record.
// The records come from a small fixed file.  After each run the store must be
// sound, and a run slower than the editor target's limit is a finding.
#include "editor_common.hpp"

namespace {

const char* const records = "\\rapple|3|red\n\\rbanana|12|yellow\ntext line\n\\rcherry|7|red\n";

// The keys of the run.  A message that waits for a reply takes the next
// return.
std::string script() {
    const std::string cmd(1, static_cast<char>(oxa::CMDKEY));
    const std::string esc = "\x1b";
    return cmd + "CO18\r" + cmd + "FEt\r" + cmd + "CO1\r" +          // the checks
           cmd + "OB1\r" + cmd + "FEr\r" +                           // the records
           cmd + "SC6|1x\r\r" + esc + "n" + esc + "P" + esc + "\x0e\r" + // search, count, display
           cmd + "FEr|||10\r\r" +                                    // a filtered fetch
           cmd + "TE1|t\r\r" + cmd + "OB2\r\r" + "12345\x18-3x4" + esc + "[Bab" + // typing
           cmd + "TE2|t\r\r" + cmd + "OB1\r\r" + esc + "F\r";        // a merge
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzzing::initeditor();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string keys = script();
    fuzzing::clearscratch();
    if (!fuzzing::scratchfile("r", records)) return 0;
    if (!fuzzing::scratchfile("t", fuzzing::confine(data, size))) return 0;
    fuzzing::runeditor(keys, nullptr);
    return 0;
}
