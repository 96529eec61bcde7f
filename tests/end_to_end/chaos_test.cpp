// The two hosts started and killed in random order while the other keeps running: the
// block and the display's answers stay sane, and a killed host leaves nothing behind that
// the next one trips over.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <random>
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

// tvhost runs as a copy in a folder of the test's own, so its plug-in's settings never go to
// the user's bin/Plugins.
platform::ChildProcess Start(const std::string& program, const char* const* args) {
    return platform::StartChild(program.c_str(), args);
}

void ExpectSane(const StatusBlock& block) {
    EXPECT_TRUE(block.blockSize == 0 || block.blockSize == kStatusBlockSize) << block.blockSize;
    EXPECT_NE(std::memchr(block.player.serviceLabel, '\0', sizeof block.player.serviceLabel), nullptr);
    EXPECT_TRUE(block.isRunning == 0 || block.isRunning == 1);
}

TEST(Chaos, HostsStartedAndKilledInAnyOrderLeaveTheBlockSane) {
    TempFolder folder;
    std::string frames = folder.File("frames.log");
    const char* tvArgs[] = {"--quiet", "--seconds", "120", nullptr};
    const char* lcdArgs[] = {"--log", frames.c_str(), "--seconds", "120", nullptr};
    std::string tvhost = CopyTvHostInto(folder.Path());
    std::mt19937 random(8122026);
    platform::ChildProcess tv, lcd;
    SharedBlockMapping watcher(StatusBlockName());
    ASSERT_NE(watcher.View(), nullptr);
    for (int round = 0; round < 10; ++round) {
        platform::ChildProcess& child = random() % 2 ? tv : lcd;
        if (child.running)
            platform::WaitChild(child, 0);  // killed at once, mid-work
        else
            child = Start(&child == &tv ? tvhost : ProductProgram("lcdhost"), &child == &tv ? tvArgs : lcdArgs);
        std::this_thread::sleep_for(std::chrono::milliseconds(600 + random() % 600));
        SCOPED_TRACE(round);
        ExpectSane(*watcher.View());
    }
    platform::WaitChild(tv, 0);
    platform::WaitChild(lcd, 0);

    // Every frame the display drew, killed or not, is whole.
    std::string log = TempFolder::Get(frames);
    std::size_t frameCount = 0;
    for (std::size_t at = log.find("frame "); at != std::string::npos; at = log.find("frame ", at + 1)) ++frameCount;
    EXPECT_GT(frameCount, 0u);
}

TEST(Chaos, AHostKilledWithoutCleaningUpLeavesAFreshBlockForTheNext) {
    TempFolder folder;
    const char* tvArgs[] = {"--quiet", "--seconds", "120", nullptr};
    platform::ChildProcess tv = Start(CopyTvHostInto(folder.Path()), tvArgs);
    ASSERT_TRUE(tv.running);
    {
        // Killed once it has filled the block, then its only holder.
        SharedBlockMapping watcher(StatusBlockName());
        auto filled = [&] {
            return watcher.View() && watcher.View()->player.serviceLabel[0] != '\0';
        };
        for (int wait = 0; wait < 600 && !filled(); ++wait)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        EXPECT_TRUE(filled()) << "tvhost never filled the block";
    }
    platform::WaitChild(tv, 0);
    // No process holds the block now; the next one to open it gets zeros, as on Windows.
    SharedBlockMapping next(StatusBlockName());
    ASSERT_NE(next.View(), nullptr);
    EXPECT_EQ(next.View()->blockSize, 0u);
    EXPECT_EQ(next.View()->player.serviceLabel[0], '\0');
}

}  // namespace
