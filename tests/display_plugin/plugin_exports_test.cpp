// The built plug-in, loaded by its exported names the way the display host loads it.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "hosts/common/display_plugin_host.h"
#include "status_block/shared_block_mapping.h"
#include "status_block/status_block_name.h"
#include "tests/support/product_file.h"

namespace {

class PluginExports : public ::testing::Test {
protected:
    void SetUp() override {
        std::string error;
        ASSERT_TRUE(plugin_.Load(ProductPlugin("vistune"), &error)) << error;
    }

    DisplayPluginHost plugin_;
};

TEST_F(PluginExports, BeforeInitEveryFieldAnswersAsForAnEmptyBlock) {
    EXPECT_STREQ(plugin_.Text("Type", ""), "TV");
    EXPECT_STREQ(plugin_.Text("ServiceLabel", ""), "");
    EXPECT_STREQ(plugin_.Glyph("PlayStatus", "1"), "$CustomChar(1,0,31,31,31,31,31,31,0)$Chr(176)");
}

TEST_F(PluginExports, TheMinimumRefreshIntervalIsOneSecond) {
    EXPECT_EQ(plugin_.MinRefreshInterval(), 1000);
}

TEST_F(PluginExports, InitOpensTheBlockTheTunerSideFills) {
    SharedBlockMapping tunerSide(StatusBlockName());
    ASSERT_NE(tunerSide.View(), nullptr);
    tunerSide.View()->player.recording = 1;
    std::snprintf(tunerSide.View()->player.serviceLabel, 32, "Kana\xB3 7");
    plugin_.Init();
    EXPECT_STREQ(plugin_.Text("ServiceLabel", "ignored"), "Kana\xB3 7");
    EXPECT_STREQ(plugin_.Text("Record", nullptr), "1");
    EXPECT_STREQ(plugin_.Glyph("Record", "2"), "$CustomChar(2,0,0,14,31,31,31,14,0)$Chr(158)");
    EXPECT_STREQ(plugin_.Glyph("Record", "2"), " ");
}

TEST_F(PluginExports, ASecondInitStartsTheBlinkAgainOnTheSameBlock) {
    SharedBlockMapping tunerSide(StatusBlockName());
    ASSERT_NE(tunerSide.View(), nullptr);
    tunerSide.View()->player.recording = 1;
    plugin_.Init();
    EXPECT_STRNE(plugin_.Glyph("Record", "1"), " ");
    plugin_.Init();
    EXPECT_STRNE(plugin_.Glyph("Record", "1"), " ");
    tunerSide.View()->player.channelNumber = 42;
    EXPECT_STREQ(plugin_.Text("ChannelNumber", ""), "42");
}

TEST_F(PluginExports, AnswersKeepComingAfterFini) {
    SharedBlockMapping tunerSide(StatusBlockName());
    ASSERT_NE(tunerSide.View(), nullptr);
    tunerSide.View()->player.volume = 17;
    plugin_.Init();
    EXPECT_STREQ(plugin_.Text("VolLevel", ""), "17");
}

}  // namespace
