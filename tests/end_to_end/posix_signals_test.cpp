// Linux only: signals the hosts meet. Whoever can open the block's object can cut it short
// under both running hosts, whose next touch of it would then end them with SIGBUS; and a
// host ended by a signal before it released the block would leave the object behind.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "hosts/common/beside_executable.h"
#include "hosts/common/wall_clock.h"
#include "platform/child_process.h"
#include "platform/stop_signal.h"
#include "status_block/shared_block_mapping.h"
#include "status_block/status_block_name.h"
#include "tests/support/temp_folder.h"
#include "tests/support/product_file.h"

namespace {

constexpr int kRunTimeoutMs = 60000;

// tvhost runs as a copy in `folder`: its plug-in keeps its settings beside it, never in the
// user's bin/Plugins.
platform::ChildProcess Start(const char* host, const char* const* args, const TempFolder& folder) {
    std::string program =
        std::string(host) == "tvhost" ? CopyTvHostInto(folder.Path()) : ProductProgram(host);
    return platform::StartChild(program.c_str(), args);
}

bool Until(const std::function<bool()>& condition) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

std::string BlockObject() {
    return "/" + std::string(StatusBlockName()) + "." + std::to_string(geteuid());
}

bool BlockObjectExists() {
    struct stat info;
    return stat(("/dev/shm" + BlockObject()).c_str(), &info) == 0;
}

void CutToNothing() {
    int fd = shm_open(BlockObject().c_str(), O_RDWR, 0600);
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
    platform::ChildProcess tv = Start("tvhost", tvArgs, folder);
    platform::ChildProcess lcd = Start("lcdhost", lcdArgs, folder);
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

TEST(StopRequest, EachToolEndsAsItsRunWouldAndLeavesNoBlockBehind) {
    TempFolder folder;
    std::string frames = folder.File("frames.log");
    const struct {
        const char* tool;
        std::vector<const char*> args;
        int exitCode;
    } rows[] = {
        {"lcdhost", {"--log", frames.c_str(), nullptr}, 143},
        {"tvhost", {"--quiet", nullptr}, 143},
        {"blockctl", {"sample", "hold", "60", nullptr}, 143},
        {"blockctl", {"sample", "hold", "60", "clear", nullptr}, 143},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.tool + std::string(" ") + row.args[0]);
        platform::ChildProcess child = Start(row.tool, row.args.data(), folder);
        ASSERT_TRUE(child.running);
        // The tools catch stop requests before they open the block.
        EXPECT_TRUE(Until(BlockObjectExists));
        kill(static_cast<pid_t>(child.value), SIGTERM);
        EXPECT_EQ(platform::WaitChild(child, kRunTimeoutMs), row.exitCode);
        EXPECT_FALSE(BlockObjectExists()) << "the block stayed behind";
        if (std::string(row.tool) == "tvhost") {
            EXPECT_NE(TempFolder::Get(folder.File("Plugins/glyphbox.ini")), "<missing>")
                << "tvhost's plug-in saved no settings beside it";
        }
        shm_unlink(BlockObject().c_str());
    }
}

// nohup's promise: a hangup the tool was started ignoring does not end it.
TEST(StopRequest, AHangupIgnoredAtTheStartStaysIgnored) {
    TempFolder folder;
    const char* args[] = {"sample", "hold", "60", nullptr};
    auto before = signal(SIGHUP, SIG_IGN);
    platform::ChildProcess child = Start("blockctl", args, folder);
    signal(SIGHUP, before);
    ASSERT_TRUE(child.running);
    EXPECT_TRUE(Until(BlockObjectExists));
    pid_t pid = static_cast<pid_t>(child.value);
    kill(pid, SIGHUP);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    int status = 0;
    EXPECT_EQ(waitpid(pid, &status, WNOHANG), 0) << "the hangup ended blockctl";
    kill(pid, SIGTERM);
    platform::WaitChild(child, kRunTimeoutMs);
    shm_unlink(BlockObject().c_str());
}

// The first request is a flag the run ends on; two hangups of a closed terminal are that one
// request, and only a second one a second or more later ends a stuck run at once.
TEST(StopRequest, ASecondRequestEndsTheProcessAtOnce) {
    EXPECT_EXIT(
        {
            platform::CatchStopSignals();
            raise(SIGHUP);
            raise(SIGHUP);
            if (platform::StopRequested() != 129) std::_Exit(3);
            for (int tries = 0; tries < 100; ++tries, usleep(100000)) raise(SIGTERM);
            std::_Exit(0);
        },
        ::testing::KilledBySignal(SIGTERM), "");
}

}  // namespace
