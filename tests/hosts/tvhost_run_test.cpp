// tvhost and the real tuner plug-in in a process of their own, watched through the block
// as the display side sees it.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>

#include "platform/child_process.h"
#include "hosts/common/beside_executable.h"
#include "platform/executable_path.h"
#include "status_block/shared_block_mapping.h"
#include "status_block/status_block_name.h"
#include "tests/support/temp_folder.h"
#include "tests/support/product_file.h"

namespace {

constexpr int kRunTimeoutMs = 60000;

class TvHostRun : public ::testing::Test {
protected:
    void SetUp() override {
        tvhost_ = CopyTvHostInto(folder_.Path());
        settings_ = folder_.File("Plugins") + platform::kPathSeparator + "glyphbox.ini";
    }

    int RunTvHost(const std::string& scenario) {
        std::string file = folder_.File("scenario.txt");
        TempFolder::Put(file, scenario);
        const char* args[] = {"--scenario", file.c_str(), "--quiet", "--log", log_.c_str(), nullptr};
        child_ = platform::StartChild(tvhost_.c_str(), args);
        return child_.running ? 0 : -1;
    }

    bool Until(const std::function<bool()>& condition) {
        auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (!condition()) {
            if (std::chrono::steady_clock::now() > deadline) return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return true;
    }

    TempFolder folder_;
    std::string log_ = folder_.File("events.log");
    std::string tvhost_;
    std::string settings_;
    platform::ChildProcess child_;
};

TEST_F(TvHostRun, ThePlugInFillsTheBlockAndSavesTheMenuChoices) {
    SharedBlockMapping display(StatusBlockName());
    ASSERT_NE(display.View(), nullptr);
    TempFolder::Put(settings_, "[Options]\r\nRefresh=500\r\n");
    ASSERT_EQ(RunTvHost("service tv 1 \"Kanał Jeden\" \"Północ\" \"20:00  Wiadomości\"\n"
                        "service radio 2 \"Kanał Dwa\" \"Północ\" \"\"\n"
                        "at 0.3 zap 2\nat 0.5 menu 40063\nat 0.7 menu 40062\nat 4 quit\n"),
              0);
    StatusBlock* block = display.View();
    EXPECT_TRUE(Until([&] {
        return std::strcmp(block->player.serviceLabel, "Kana\xB3 Dwa") == 0 &&
               std::atomic_ref<std::int8_t>(block->isRunning).load() == 1;
    })) << "service label: " << block->player.serviceLabel;
    EXPECT_EQ(block->blockSize, 2316u);
    EXPECT_EQ(block->player.serviceKind, kServiceRadio);
    ASSERT_EQ(platform::WaitChild(child_, kRunTimeoutMs), 0);
    EXPECT_EQ(block->isRunning, 0);
    EXPECT_EQ(TempFolder::Get(settings_), "[Options]\r\nRefresh=1000\r\nEnabled=1\r\nSignal=0\r\n");
}

// A user's Ctrl-C or the system's stop must end the plug-in as the host's own end does: its
// menu changes saved, isRunning cleared.
TEST_F(TvHostRun, AStopRequestEndsThePlugInAsTheScenariosEndDoes) {
    const struct {
        platform::StopRequest request;
        int exitCode;
        const char* name;
    } rows[] = {{platform::StopRequest::kInterrupt, 130, "Ctrl-C"},
                {platform::StopRequest::kTerminate, 143, "SIGTERM"},
                {platform::StopRequest::kHangUp, 129, "SIGHUP"}};
    int sent = 0;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        SharedBlockMapping display(StatusBlockName());
        ASSERT_NE(display.View(), nullptr);
        std::filesystem::remove(settings_);
        std::filesystem::remove(log_);
        ASSERT_EQ(RunTvHost("service tv 1 \"A\" \"B\" \"\"\nat 0.2 menu 40062\nat 120 quit\n"), 0);
        // The menu choice is logged before it is made, and made before the next tick.
        ASSERT_TRUE(Until([&] { return TempFolder::Get(log_).find("event menu 40062") != std::string::npos; }));
        if (!platform::RequestChildStop(child_, row.request)) {
            platform::WaitChild(child_, 0);
            continue;  // no such request here (Windows without a console has none at all)
        }
        ++sent;
        EXPECT_EQ(platform::WaitChild(child_, kRunTimeoutMs), row.exitCode);
        EXPECT_EQ(std::atomic_ref<std::int8_t>(display.View()->isRunning).load(), 0);
        EXPECT_EQ(TempFolder::Get(settings_), "[Options]\r\nEnabled=1\r\nRefresh=2000\r\nSignal=0\r\n");
    }
    if (sent == 0) GTEST_SKIP() << "no stop request could be sent to a child here";
}

TEST_F(TvHostRun, ABadScenarioIsRefusedBeforeAnythingRuns) {
    ASSERT_EQ(RunTvHost("service tv 1 \"A\" \"P\" \"\"\nat 1 zap 5\n"), 0);
    EXPECT_EQ(platform::WaitChild(child_, kRunTimeoutMs), 2);
    EXPECT_EQ(TempFolder::Get(settings_), "<missing>");
}

}  // namespace
