// Drives the tuner plug-in as the TV host does, with its settings file in "Plugins" beside
// the test program, where the plug-in looks for it.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>

#include "status_block/shared_block_mapping.h"
#include "status_block/status_block_name.h"
#include "tests/support/temp_folder.h"
#include "tests/tuner_plugin/fake_host.h"
#include "tuner_plugin/entry_points.h"
#include "tuner_plugin/plugin_state.h"

class TunerTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(host_.Opened()) << "the test host's window could not be created";
        glyphbox::AttachProcess(nullptr);
        settingsFile_ = glyphbox::SettingsPath();
        std::filesystem::create_directories(std::filesystem::path(settingsFile_).parent_path());
        std::filesystem::remove(settingsFile_);
        ASSERT_NE(display_.View(), nullptr);
    }
    void TearDown() override {
        glyphbox::Exit();
        EXPECT_EQ(host_.Overlaps(), 0) << "two workers polled at once";
        std::filesystem::remove(settingsFile_);
    }

    void PutSettings(const std::string& text) { TempFolder::Put(settingsFile_, text); }
    std::string SavedSettings() const { return TempFolder::Get(settingsFile_); }

    void StartWith(const std::string& settings) {
        PutSettings(settings);
        glyphbox::Start(host_.Window(), &character_, &integer_);
    }

    // Waits up to `timeoutMs` for isRunning to read `value`, as the display side sees it.
    bool IsRunningBecomes(int value, int timeoutMs = 3000) {
        return host_.PumpUntil([&] { return IsRunning() == value; }, timeoutMs);
    }

    // The display side's read of the byte the plug-in's threads write.
    int IsRunning() const { return std::atomic_ref<std::int8_t>(display_.View()->isRunning).load(); }

    FakeHost host_;
    SharedBlockMapping display_{StatusBlockName()};
    std::string settingsFile_;
    char character_ = 0;
    std::int32_t integer_ = -1;
};
