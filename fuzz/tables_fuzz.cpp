// Fuzz target: the morphology tables reader, over the fixture's attribute and
// terminals files.  After the load every file must be closed, no macro left
// and the store sound; the reader's state is then given back.
#include <cstdint>

#include "bormo/morphology.hpp"
#include "lang_common.hpp"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const char* path = fuzzing::prepare_language(data, size);
    if (!path) return 0;
    fuzzing::load_terminals();
    bormo::resetmorphology();
    bormo::new_readtables(path);
    fuzzing::check_after_load();
    bormo::resetmorphology();
    return 0;
}
