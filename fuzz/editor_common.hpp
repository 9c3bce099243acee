// Set-up shared by the fuzz targets that run the whole editor: a scratch
// directory emptied before each run, every module reset, the wire and emitted
// text discarded, and the store checked after the run.
//
// The bytes "/" of an input are read as "_" (`confine`), so that no file name
// given to a command can leave the scratch directory.
#pragma once

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "bormo/gencommands.hpp"
#include "bormo/packindex.hpp"
#include "bormo/reader.hpp"
#include "editor/blocks.hpp"
#include "editor/editloop.hpp"
#include "editor/frontend.hpp"
#include "editor/input.hpp"
#include "editor/processes.hpp"
#include "editor/resetall.hpp"
#include "editor/store.hpp"

namespace fuzzing {

namespace fs = std::filesystem;

struct EditorRun {
    fs::path scratch; // the editor's working directory during a run
    fs::path keys;    // the keystrokes of the run, outside it
};

inline EditorRun& editorrun() {
    static EditorRun r;
    return r;
}

// Thrown by the end-of-input hook: the run is over.
struct EndOfInput {};
inline void endofinput() {
    throw EndOfInput{};
}
inline void discard(const char*, size_t) {}

// Makes the scratch directory, in memory where the machine has a memory file
// system (a run may write, truncate and rewrite files thousands of times, and
// a disk's flushes would be measured instead of the editor); standard output
// goes to /dev/null.
inline void initeditor() {
    std::error_code ec;
    const fs::path base = fs::is_directory("/dev/shm", ec) ? fs::path("/dev/shm") : fs::temp_directory_path();
    std::string tmpl = (base / "oxa-editor-fuzz-XXXXXX").string();
    if (!mkdtemp(tmpl.data())) std::abort();
    editorrun().scratch = fs::path(tmpl) / "work";
    editorrun().keys = fs::path(tmpl) / "keys";
    fs::create_directory(editorrun().scratch);
    // The whole directory goes when the fuzzer ends.
    std::atexit([] {
        std::error_code gone;
        fs::remove_all(editorrun().scratch.parent_path(), gone);
    });
    if (!std::freopen("/dev/null", "w", stdout)) std::abort();
}

inline std::string confine(const uint8_t* data, size_t size) {
    std::string s(reinterpret_cast<const char*>(data), size);
    for (char& c : s)
        if (c == '/') c = '_';
    return s;
}

// Empties the scratch directory.
inline void clearscratch() {
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(editorrun().scratch, ec))
        fs::remove_all(e.path(), ec);
}

// Writes a file into the scratch directory.
inline bool scratchfile(const char* name, const std::string& bytes) {
    FILE* f = std::fopen((editorrun().scratch / name).c_str(), "wb");
    if (!f) return false;
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

// Bytes that procedures and function keys may give in one run: a loop in a
// procedure may run for ever, as it would in the editor until it is killed.
// The limit bounds the input a run generates as -max_len (4096) bounds the
// keys given; each run must still end within the slow-run limit.
constexpr int64_t PROCBUDGET = 4096;

// Starts a run from the reset state in the scratch directory: `keys` become
// standard input and `pushed` (when not null) is read first, as the
// start-up command is.  Starts no program and does not pause.  Returns false
// when the run cannot start.
inline bool startrun(const std::string& keys, const char* pushed, fs::path& home) {
    FILE* f = std::fopen(editorrun().keys.c_str(), "wb");
    if (!f) return false;
    std::fwrite(keys.data(), 1, keys.size(), f);
    std::fclose(f);
    if (!std::freopen(editorrun().keys.c_str(), "rb", stdin)) return false;

    home = fs::current_path();
    if (chdir(editorrun().scratch.c_str()) != 0) return false;
    oxa::resetall();
    bormo::initbormo();
    // Every load of a pack file is bracketed by checkpack().
    bormo::packloadhook = [] {
        if (!bormo::checkpack().empty()) __builtin_trap();
    };
    bormo::reseed(1);
    oxa::nochildren = true;
    oxa::bor_sleep_ms = 0;
    oxa::procbudget = PROCBUDGET;
    oxa::xvsink = discard;
    oxa::eofhook = endofinput;
    oxa::inptr = stdin;
    if (pushed != nullptr) oxa::pushfn(pushed);
    return true;
}

// Ends a run: back to the fuzzer's directory; the store must be sound.
inline void endrun(const fs::path& home) {
    oxa::eofhook = nullptr;
    if (chdir(home.c_str()) != 0) std::abort();
    if (!oxa::checkstore().empty()) __builtin_trap();
    if (!bormo::checkpack().empty()) __builtin_trap();
}

// Runs the editor from the reset state in the scratch directory: `pushed`
// (when not null) is read first, then `keys`, until their end.  The store
// must be sound afterwards.
inline void runeditor(const std::string& keys, const char* pushed) {
    fs::path home;
    if (!startrun(keys, pushed, home)) return;
    try {
        oxa::editor();
    } catch (const EndOfInput&) {
    }
    endrun(home);
}

} // namespace fuzzing
