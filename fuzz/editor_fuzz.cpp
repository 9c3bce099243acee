// Fuzz target: the whole editor, driven by the input as a keystroke stream.
//
// Every run starts from the reset state of every module, in a scratch
// directory emptied first.  After each run the store must be sound.  The wire
// and emitted text go to /dev/null.
//
// A run whose keys are all read between two passes of the edit loop (not in
// the middle of a command, a question or a key sequence) goes on with the way
// out that must work from every state: the command key, BYE, and a return
// for each question it may ask (one per unsaved corefile).  The editor must
// end on them; reading past them is a finding.  States whose key map no
// longer gives those keys their meaning (KEY) are left out.
#include "editor_common.hpp"

#include "editor/store.hpp"

namespace {

const std::string exitkeys = "\003BY\r" + std::string(oxa::NCORE, '\r');

bool exiting = false; // the exit keys are being read

void endofexitkeys() {
    if (exiting) __builtin_trap(); // the editor did not end on them
    fuzzing::endofinput();
}

// Whether the next byte would come from standard input and none is left.
bool keysexhausted() {
    int top = oxa::fnptr;
    while (top > 0 && oxa::fnstack[static_cast<size_t>(top)] != nullptr &&
           *oxa::fnstack[static_cast<size_t>(top)] == 0)
        --top;
    if (top > 0 && oxa::fnstack[static_cast<size_t>(top)] != nullptr) return false;
    if (oxa::inptr != stdin) return false;
    const int c = std::getc(stdin);
    if (c == EOF) return true;
    std::ungetc(c, stdin);
    return false;
}

// Whether byte b is still the key of `code` (and, for a character, types ch).
bool keymeans(unsigned char b, int code, unsigned char ch = 0) {
    return oxa::intran[b] == code && (ch == 0 || oxa::char_map[b] == ch);
}

bool exitkeysmeant() {
    return keymeans(oxa::CMDKEY, oxa::C_COMMAND) && keymeans('B', oxa::C_LETTER, 'B') &&
           keymeans('Y', oxa::C_LETTER, 'Y') && keymeans('\r', oxa::C_RETURN);
}

// The edit loop as oxa::editor() runs it, looking at the input before each
// pass.
void editloop() {
    while (oxa::overflg == 0) {
        if (!exiting && keysexhausted() && exitkeysmeant()) {
            FILE* f = std::fopen(fuzzing::editorrun().keys.c_str(), "wb");
            if (!f) return;
            std::fwrite(exitkeys.data(), 1, exitkeys.size(), f);
            std::fclose(f);
            if (!std::freopen(fuzzing::editorrun().keys.c_str(), "rb", stdin)) return;
            oxa::inptr = stdin;
            exiting = true;
        }
        oxa::txtcur();
        oxa::fetchchar();
        oxa::rmtxtcur();
        oxa::editpass(oxa::type);
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzzing::initeditor();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzzing::clearscratch();
    fuzzing::fs::path home;
    if (!fuzzing::startrun(fuzzing::confine(data, size), nullptr, home)) return 0;
    exiting = false;
    oxa::eofhook = endofexitkeys;
    try {
        editloop();
    } catch (const fuzzing::EndOfInput&) {
    }
    fuzzing::endrun(home);
    return 0;
}
