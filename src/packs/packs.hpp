// Language packs found by name: a pack is a directory of language files; an
// argument that is not a directory is looked up by name in the folders of
// $OXA_PACKS (colon-separated) and then in share/oxa/packs beside the program,
// where an installation puts the example packs.
#pragma once

#include <string>
#include <vector>

namespace oxa::packs {

// The folders searched for a pack by name, in order.  `programdir` is the
// folder of the running program (see `programdir()`); when that is the build
// folder of a checkout (it holds CMakeCache.txt), the checkout's examples/
// come last.
std::vector<std::string> searchpath(const char* envpacks, const std::string& programdir);

// The pack's directory: `arg` itself when it is a directory or holds a '/',
// else the first folder of `path` with a directory of that name; empty when
// there is none.
std::string findpack(const std::string& arg, const std::vector<std::string>& path);

// The names of the packs (directories with a syntax file) in the folders of
// `path`, sorted, each once.
std::vector<std::string> packnames(const std::vector<std::string>& path);

// The message for a pack that was not found: "no directory ARG" for a path,
// else "no pack ARG" and the names of the packs there are.
std::string notfound(const std::string& arg, const std::vector<std::string>& path);

// The keystrokes that load the pack in `dir` into the editor: for each of its
// files, in loading order, the command key, the command's two letters, the
// file's path and return.  False, with `error` set, when a required file is
// missing or a path is longer than the editor's 48-character file names.
bool loadkeys(const std::string& dir, std::string& keys, std::string& error);

// The path of the running program, from /proc/self/exe (else argv0).
std::string selfpath(const char* argv0);
// The folder of the running program (that path without its last part).
std::string programdir(const char* argv0);

} // namespace oxa::packs
