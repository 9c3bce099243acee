// A fresh editor whose messages go nowhere, for the tests of the store and
// the line primitives; the store's invariants are checked after each test.
#pragma once

#include <gtest/gtest.h>

#include <cstddef>

#include "editor/frontend.hpp"
#include "editor/resetall.hpp"
#include "editor/store.hpp"

namespace oxatest {

class StoreFixture : public ::testing::Test {
  protected:
    void SetUp() override {
        oxa::resetall();
        oxa::xvsink = [](const char*, size_t) {};
    }
    void TearDown() override { EXPECT_EQ(oxa::checkstore(), ""); }
};

} // namespace oxatest
