// Linux only: whoever can open the block's object can cut it short under both running hosts,
// whose next touch of it would otherwise end them with SIGBUS.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/mman.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <string>
#include <thread>

#include "hosts/common/beside_executable.h"
#include "hosts/common/wall_clock.h"
#include "platform/child_process.h"
#include "status_block/shared_block_mapping.h"
#include "status_block/status_block_name.h"
#include "tests/support/temp_folder.h"

namespace {

constexpr int kRunTimeoutMs = 60000;

platform::ChildProcess Start(const char* host, const char* const* args) {
    return platform::StartChild(BesideExecutable(host).c_str(), args);
}

bool Until(const std::function<bool()>& condition) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

void CutToNothing() {
    std::string object = "/" + std::string(StatusBlockName()) + "." + std::to_string(geteuid());
    int fd = shm_open(object.c_str(), O_RDWR, 0600);
    ASSERT_GE(fd, 0);
    EXPECT_EQ(ftruncate(fd, 0), 0);
    close(fd);
}

int FramesSince(const std::string& log, long long clock) {
    std::string text = TempFolder::Get(log);
    int count = 0;
    for (std::size_t at = text.find(" clock "); at != std::string::npos;
         at = text.find(" clock ", at + 1))
        count += std::stoll(text.substr(at + 7)) > clock;
    return count;
}

TEST(CutBlock, BothHostsOutliveTheBlockBeingCutShortAndTheTvSideFillsItAgain) {
    TempFolder folder;
    std::string frames = folder.File("frames.log");
    const char* tvArgs[] = {"--quiet", "--seconds", "8", nullptr};
    const char* lcdArgs[] = {"--log", frames.c_str(), "--seconds", "8", nullptr};
    SharedBlockMapping watcher(StatusBlockName());
    ASSERT_NE(watcher.View(), nullptr);
    platform::ChildProcess tv = Start("tvhost", tvArgs);
    platform::ChildProcess lcd = Start("lcdhost", lcdArgs);
    StatusBlock& block = *watcher.View();
    ASSERT_TRUE(Until([&] { return std::atomic_ref<std::int8_t>(block.isRunning).load() == 1; }));
    long long cut = WallClockMs();
    for (int i = 0; i < 5; ++i) {
        CutToNothing();
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }
    EXPECT_TRUE(Until([&] {
        return block.blockSize == kStatusBlockSize && block.player.serviceLabel[0] != '\0';
    })) << "the tuner plug-in did not fill the block again";
    EXPECT_EQ(platform::WaitChild(tv, kRunTimeoutMs), 0);
    EXPECT_EQ(platform::WaitChild(lcd, kRunTimeoutMs), 0);
    EXPECT_GE(FramesSince(frames, cut), 2) << "lcdhost stopped drawing";
}

}  // namespace
