// A fresh editor for the tests of the editing operations on store state
// (blocks, reformatting, rectangles, sort), with helpers that put lines into
// a corefile and read them back, and the messages the operations send.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "editor/blocks.hpp"
#include "editor/commands.hpp"
#include "editor/editloop.hpp"
#include "editor/frontend.hpp"
#include "editor/input.hpp"
#include "editor/lines.hpp"
#include "editor/motion.hpp"
#include "editor/paint.hpp"
#include "editor/rectangles.hpp"
#include "editor/reformat.hpp"
#include "editor/resetall.hpp"
#include "editor/sort.hpp"
#include "editor/store.hpp"

namespace oxatest {

using Lines = std::vector<std::string>;

inline std::string sent;  // messages passed by the transmitter
inline std::string trace; // every message, dropped ones too

// Fills corefile f with `text` ("\r" first: a record line, "" an empty line)
// and puts its cursor on line 1, column 1.
inline void fill(int32_t f, const Lines& text) {
    const int32_t saved = oxa::corenum;
    oxa::corenum = f;
    oxa::COREFILE& c = oxa::cur();
    oxa::removefile();
    oxa::initfile();
    oxa::allocln(oxa::K_EMPTY, 0);
    bool firstline = true;
    for (const std::string& s : text) {
        if (!firstline) oxa::allocln(oxa::K_EMPTY, 0);
        firstline = false;
        const bool record = s.rfind("\r", 0) == 0;
        for (size_t i = record ? 1 : 0; i < s.size(); ++i)
            oxa::cadd(static_cast<unsigned char>(s[i]));
        if (record) c.lnptr->object = oxa::K_RECORD;
    }
    c.lnptr = c.header->down;
    c.disln = c.lnptr;
    c.curcol = 1;
    oxa::corenum = saved;
}

// Fills the current corefile.
inline void fill(const Lines& text) {
    fill(oxa::corenum, text);
}

// The text of every line of corefile f, in order.
inline Lines text(int32_t f) {
    Lines out;
    const oxa::COREFILE& c = oxa::core[f];
    for (const oxa::LINE* l = c.header->down; l != c.header; l = l->down)
        out.emplace_back(reinterpret_cast<const char*>(&oxa::textbase[l->index]), static_cast<size_t>(l->length));
    return out;
}

inline Lines text() {
    return text(oxa::corenum);
}

// The store's invariants hold.
inline void ok() {
    EXPECT_EQ(oxa::checkstore(), "");
}

class TextFixture : public ::testing::Test {
  protected:
    void SetUp() override {
        oxa::resetall();
        sent.clear();
        trace.clear();
        oxa::xvsink = [](const char* data, size_t len) { sent.append(data, len); };
        oxa::xvtrace = [](const char* m) { trace += m; };
    }
    void TearDown() override {
        oxa::resetfrontend();
        oxa::resetinput();
    }
};

} // namespace oxatest
