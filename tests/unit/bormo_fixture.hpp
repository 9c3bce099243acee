// Shared fixture of the engine's unit tests: a clean store and engine, a
// temporary directory for language files, and access to the message corefile.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "bormo/attributes.hpp"
#include "bormo/engine.hpp"
#include "bormo/packindex.hpp"
#include "bormo/reader.hpp"
#include "bormo/vline.hpp"
#include "editor/store.hpp"

class BormoTest : public ::testing::Test {
  protected:
    std::string dir;

    void SetUp() override {
        oxa::resetstore();
        bormo::resetreader();
        bormo::resetattributes();
        bormo::resetengine();
        bormo::resetvline();
        // What the engine keeps beside a pack must agree with it before
        // and after every load.
        bormo::packloadhook = [] { EXPECT_EQ(bormo::checkpack(), ""); };
        char tmpl[] = "/tmp/bormotestXXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        dir = tmpl;
    }

    void TearDown() override {
        EXPECT_EQ(bormo::checkpack(), "");
        bormo::packloadhook = nullptr;
        bormo::resetreader();
        bormo::resetattributes();
        std::string cmd = "rm -rf '" + dir + "'";
        (void)system(cmd.c_str());
    }

    // Writes a file in the temporary directory and returns its path.
    std::string file(const std::string& name, const std::string& text) {
        std::string path = dir + "/" + name;
        std::ofstream(path, std::ios::binary) << text;
        return path;
    }

    // The text lines of a corefile, in order (empty lines left out).
    static std::vector<std::string> lines(int corefile) {
        std::vector<std::string> out;
        const oxa::COREFILE& c = oxa::core[corefile];
        for (oxa::LINE* l = c.header->down; l != c.header; l = l->down) {
            if (l->object == oxa::K_EMPTY) continue;
            out.emplace_back(reinterpret_cast<const char*>(&oxa::textbase[l->index]),
                             static_cast<size_t>(l->length));
        }
        return out;
    }

    static std::vector<std::string> messages() { return lines(bormo::MSGCORE); }

    // How many message lines contain `part`.
    static int count_messages(const std::string& part) {
        int n = 0;
        for (const std::string& m : messages())
            if (m.find(part) != std::string::npos) n++;
        return n;
    }
};
