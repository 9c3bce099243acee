// Fuzz target: the whole editor, driven by the input as a keystroke stream.
//
// Every run starts from the reset state of every module, in a scratch
// directory emptied first, and ends at the end of its input (or at BYE).
// The bytes "/" are read as "_", so that no file name given to a command can
// leave the scratch directory.  After each run the store must be sound.  The
// wire and emitted text go to /dev/null.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "bormo/attributes.hpp"
#include "bormo/compare.hpp"
#include "bormo/engine.hpp"
#include "bormo/expansion.hpp"
#include "bormo/gencommands.hpp"
#include "bormo/guards.hpp"
#include "bormo/indirection.hpp"
#include "bormo/lexicon.hpp"
#include "bormo/morphology.hpp"
#include "bormo/reader.hpp"
#include "bormo/sentences.hpp"
#include "bormo/storedtrees.hpp"
#include "bormo/syntax.hpp"
#include "bormo/transform.hpp"
#include "bormo/variants.hpp"
#include "bormo/vline.hpp"
#include "editor/blocks.hpp"
#include "editor/commands.hpp"
#include "editor/editloop.hpp"
#include "editor/files.hpp"
#include "editor/frontend.hpp"
#include "editor/input.hpp"
#include "editor/lines.hpp"
#include "editor/motion.hpp"
#include "editor/paint.hpp"
#include "editor/processes.hpp"
#include "editor/store.hpp"
#include "editor/terminal.hpp"
#include "editor/typing.hpp"

namespace {

namespace fs = std::filesystem;

// Thrown by the end-of-input hook: the run is over.
struct EndOfInput {};
void endofinput() {
    throw EndOfInput{};
}

void discard(const char*, size_t) {}

fs::path scratch; // the editor's working directory during a run
fs::path home;    // the working directory between runs
fs::path input;   // the keystrokes of the run, outside it

void resetall() {
    using namespace oxa;
    reseteditloop();
    resetterminal();
    resetinput();
    resetfrontend();
    resetpaint();
    resetcommands();
    resetmotion();
    resetfiles();
    resettyping();
    resetstore();
    bormo::resetreader();
    bormo::resetattributes();
    bormo::resetengine();
    bormo::resetvline();
    bormo::resetsyntax();
    bormo::resetlexicon();
    bormo::resetmorphology();
    bormo::resetexpansion();
    bormo::resettransform();
    bormo::resetguards();
    bormo::resetindirection();
    bormo::resetsentences();
    bormo::resetstoredtrees();
    bormo::resetvariants();
    bormo::resetcompare();
    bormo::resetgencommands();
    bormo::initbormo();
    bormo::reseed(1);
    // No program is started and the pause key does not pause.
    oxa::nochildren = true;
    oxa::bor_sleep_ms = 0;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    std::string tmpl = (fs::temp_directory_path() / "oxa-editor-fuzz-XXXXXX").string();
    if (!mkdtemp(tmpl.data())) std::abort();
    scratch = fs::path(tmpl) / "work";
    input = fs::path(tmpl) / "keys";
    fs::create_directory(scratch);
    if (!std::freopen("/dev/null", "w", stdout)) std::abort();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(scratch, ec))
        fs::remove_all(e.path(), ec);
    std::string keys(reinterpret_cast<const char*>(data), size);
    for (char& c : keys)
        if (c == '/') c = '_';
    FILE* f = std::fopen(input.c_str(), "wb");
    if (!f) return 0;
    std::fwrite(keys.data(), 1, keys.size(), f);
    std::fclose(f);
    if (!std::freopen(input.c_str(), "rb", stdin)) return 0;

    home = fs::current_path();
    if (chdir(scratch.c_str()) != 0) return 0;
    resetall();
    oxa::xvsink = discard;
    oxa::eofhook = endofinput;
    oxa::inptr = stdin;
    try {
        oxa::editor();
    } catch (const EndOfInput&) {
    }
    oxa::eofhook = nullptr;
    if (chdir(home.c_str()) != 0) std::abort();
    if (!oxa::checkstore().empty()) __builtin_trap();
    return 0;
}
