// Each test gets a block of its own: the fixture fills it as the TV host would and points
// the display plug-in's module state at it.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "display_plugin/display_state.h"
#include "status_block/shared_block_mapping.h"
#include "tests/support/test_names.h"

class DisplayFixture : public ::testing::Test {
protected:
    void SetUp() override {
        name_ = UniqueBlockName();
        ASSERT_TRUE(filler_.Create(name_.c_str()));
        vistune::DisconnectDisplay();
        vistune::ConnectDisplay(name_.c_str());
    }
    void TearDown() override { vistune::DisconnectDisplay(); }

    StatusBlock& Block() { return *filler_.View(); }
    PlayerRecord& Player() { return filler_.View()->player; }

    template <std::size_t N>
    static void Put(char (&field)[N], const char* text) {
        std::snprintf(field, N, "%s", text);
    }

    std::string name_;
    SharedBlockMapping filler_;
};
