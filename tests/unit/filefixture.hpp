// A fixture for the file commands: the editor reset, the transmitter's
// messages captured, and a scratch directory for the files, removed after
// each test.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>

#include "editor/commands.hpp"
#include "editor/editloop.hpp"
#include "editor/files.hpp"
#include "editor/frontend.hpp"
#include "editor/input.hpp"
#include "editor/resetall.hpp"

namespace oxatest {

class FileFixture : public ::testing::Test {
  protected:
    static inline std::string sent; // messages passed by the transmitter
    std::filesystem::path dir;

    static void capture(const char* data, size_t len) { sent.append(data, len); }

    void SetUp() override {
        oxa::resetall();
        sent.clear();
        oxa::xvsink = capture;
        char tmpl[] = "/tmp/oxafilesXXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        dir = tmpl;
    }
    void TearDown() override {
        oxa::resetfrontend();
        oxa::resetinput();
        oxa::resetfiles();
        std::filesystem::remove_all(dir);
    }

    std::string path(const std::string& name) { return (dir / name).string(); }

    void write(const std::string& name, const std::string& bytes) {
        std::ofstream(path(name), std::ios::binary) << bytes;
    }

    std::string read(const std::string& name) {
        std::ifstream in(path(name), std::ios::binary);
        std::stringstream ss;
        ss << in.rdbuf();
        return ss.str();
    }

    // The names in the scratch directory (temporary files included).
    std::set<std::string> entries() {
        std::set<std::string> names;
        for (const auto& e : std::filesystem::directory_iterator(dir))
            names.insert(e.path().filename());
        return names;
    }

    // Prepares the parameters of a file command as the parameter reader does.
    void params(const std::string& name, int32_t first = 1, int32_t last = oxa::MAXLINENUM) {
        oxa::curfile.fill('\0');
        std::strncpy(oxa::curfile.data(), name.c_str(), oxa::STRSIZE - 1);
        oxa::param[2] = first;
        oxa::param[3] = last;
    }

    // Queues the user's reply to an error display or a question.
    static void reply(const char* keys = "\r") {
        oxa::resetinput();
        oxa::pushfn(keys);
    }

    // Runs a command as the command processor does: checker, then operation,
    // the user answering any question with `answer`.
    void run(void (*checker)(), void (*op)(), const char* answer = "\r") {
        reply(answer);
        oxa::del = 0;
        if (checker != nullptr) checker();
        if (oxa::del != 2 && op != nullptr) op();
    }

    void fetch(const std::string& name, int32_t first = 1, int32_t last = oxa::MAXLINENUM) {
        params(path(name), first, last);
        run(oxa::fpr, oxa::fetchfile);
    }
};

} // namespace oxatest
