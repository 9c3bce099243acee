// A fresh editor for the evaluator, merge, template and view tests, with
// helpers that put lines into the current corefile and read them back.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "editor/commands.hpp"
#include "editor/editloop.hpp"
#include "editor/evaluator.hpp"
#include "editor/files.hpp"
#include "editor/frontend.hpp"
#include "editor/input.hpp"
#include "editor/lines.hpp"
#include "editor/merge.hpp"
#include "editor/motion.hpp"
#include "editor/paint.hpp"
#include "editor/reformat.hpp"
#include "editor/resetall.hpp"
#include "editor/store.hpp"
#include "editor/templates.hpp"
#include "editor/typing.hpp"
#include "editor/views.hpp"
#include "wire_capture.hpp"

namespace oxatest {

class RecordFixture : public ::testing::Test {
  protected:
    void SetUp() override {
        oxa::resetall();
        WireCapture::install();
    }
    void TearDown() override {
        EXPECT_EQ(oxa::checkstore(), "");
        oxa::resetfrontend();
        oxa::resetfiles();
        oxa::fnptr = 0;
    }

    // Puts lines (kind, text) above the corefile's own empty line; the cursor
    // and the window start at the first of them, column 1.
    std::vector<oxa::LINE*> fill(const std::vector<std::pair<int32_t, std::string>>& lines) {
        oxa::COREFILE& c = oxa::cur();
        c.lnptr = c.header;
        std::vector<oxa::LINE*> out;
        for (const auto& [kind, text] : lines) {
            EXPECT_TRUE(oxa::allocln(kind, static_cast<int32_t>(text.size())));
            std::memcpy(&oxa::textbase[c.lnptr->index], text.data(), text.size());
            oxa::linkphys();
            out.push_back(c.lnptr);
        }
        c.lnptr = c.disln = out.front();
        c.curcol = 1;
        return out;
    }
    static std::string text(const oxa::LINE* l) {
        if (l->object == oxa::K_EMPTY || l->object == oxa::K_PICTURE) return "";
        return std::string(reinterpret_cast<const char*>(&oxa::textbase[l->index]),
                           static_cast<size_t>(l->length));
    }
    // Every line of corefile `n`, in order.
    static std::vector<std::string> lines(int32_t n) {
        std::vector<std::string> v;
        const oxa::COREFILE& c = oxa::core[n];
        for (const oxa::LINE* l = c.header->down; l != c.header; l = l->down)
            v.push_back(text(l));
        return v;
    }
    static void settype(int32_t t) {
        oxa::cur().viewtype = t;
        oxa::cureditmask = oxa::editmask[t];
    }
    static void setstring(oxa::strparam& s, const char* text) {
        std::snprintf(s.data(), s.size(), "%s", text);
    }
    // The messages the last repaint of level 11 sent.
    static std::vector<std::string> showregister() {
        WireCapture::clear();
        oxa::redisplay = oxa::RP_REGISTER;
        oxa::display();
        std::vector<std::string> v;
        for (const std::string& m : WireCapture::msgs)
            if (m.rfind("$mf", 0) == 0) v.push_back(m);
        return v;
    }
};

} // namespace oxatest
