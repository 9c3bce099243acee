// Seeded generation is reproducible to the byte: each language below is
// loaded by its commands, seeded, generated from 1,000 times with the
// generate key and corefile 7 EMITted; the whole standard output (the wire
// with its progress messages, then corefile 7) must equal the recorded run
// in tests/e2e/golden/.  The recordings were made before the generation
// engine was tuned for speed; any change to the draw order, the sentences or
// the messages shows here.
//
// OXA_WRITE_GOLDEN=1 records the files afresh (and fails, so that a
// recording is never mistaken for a passing comparison).
#include "harness.hpp"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace seeded_runs_test {

using oxatest::runoxa;

std::filesystem::path source(const std::string& rel) {
    return std::filesystem::path(OXA_SOURCE_DIR) / rel;
}

std::string cmd(const std::string& text) {
    return "{CMD}" + text + "{CR}";
}

// The start-up seed comes from the clock: its message line is masked.
std::string masked(std::string out) {
    const std::string msg = "Setting random seed: ";
    size_t at = out.find(msg);
    if (at != std::string::npos) {
        size_t end = out.find_first_not_of("0123456789", at + msg.size());
        out.replace(at + msg.size(), end - at - msg.size(), "(clock)");
    }
    return out;
}

// The first line at which two outputs differ, for the failure message.
std::string firstdiff(const std::string& got, const std::string& want) {
    std::istringstream g(got), w(want);
    std::string gl, wl;
    for (int n = 1;; ++n) {
        bool gm = static_cast<bool>(std::getline(g, gl));
        bool wm = static_cast<bool>(std::getline(w, wl));
        if (!gm && !wm) return "same lines, different bytes";
        if (gm != wm || gl != wl)
            return "line " + std::to_string(n) + ": got \"" + (gm ? gl : "<end>") +
                   "\", recorded \"" + (wm ? wl : "<end>") + "\"";
    }
}

TEST(SeededRuns, ThousandGenerationsAreByteIdenticalToTheRecording) {
    const struct {
        const char* golden; // file in tests/e2e/golden
        const char* pack;   // language files, relative to the source tree
        const char* seed;
    } cases[] = {
        {"english.out", "examples/english", "31415927"},
        {"french.out", "examples/french", "27182818"},
        {"peers.out", "bench/peers/oxa", "12345"},
        {"bench.out", "bench/grammar", "20261210"},
    };
    const bool record = std::getenv("OXA_WRITE_GOLDEN") != nullptr;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.golden);
        std::vector<oxatest::Fixture> files;
        std::string keys;
        for (const auto& [name, command] :
             {std::pair{"attributes", "AT"}, std::pair{"terminals", "TM"},
              std::pair{"lexicon", "LE"}, std::pair{"morphology", "MO"},
              std::pair{"tables", "TB"}, std::pair{"syntax", "SY"}}) {
            std::string text = oxatest::readfile(source(c.pack) / name);
            ASSERT_FALSE(text.empty()) << c.pack << "/" << name;
            files.push_back({name, text});
            keys += cmd(std::string(command) + name);
        }
        keys += cmd(std::string("RA") + c.seed) + "{CR}";
        for (int i = 0; i < 1000; ++i)
            keys += "{ESC}g";
        keys += cmd("EM7");
        auto r = runoxa({.keys = keys, .files = files, .timeout = 120, .framed = false});
        ASSERT_FALSE(r.timedout);
        const std::string got = masked(r.out);
        const auto golden = source("tests/e2e/golden") / c.golden;
        if (record) {
            std::ofstream(golden, std::ios::binary) << got;
            ADD_FAILURE() << "recorded " << golden;
            continue;
        }
        const std::string want = oxatest::readfile(golden);
        ASSERT_FALSE(want.empty()) << "no recording " << golden;
        // The recording holds 1,000 runs, each ended by its closing line.
        size_t runs = 0;
        for (size_t at = 0; (at = want.find("  ******\n", at)) != std::string::npos; ++at)
            ++runs;
        EXPECT_EQ(runs, 1000u);
        EXPECT_EQ(got.size(), want.size());
        EXPECT_TRUE(got == want) << firstdiff(got, want);
    }
}

} // namespace seeded_runs_test
