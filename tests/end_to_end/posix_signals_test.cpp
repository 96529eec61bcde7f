// Linux only: signals the hosts meet. Whoever can open the block's object can cut it short
// under both running hosts, whose next touch of it would then end them with SIGBUS; and a
// host ended by a signal before it released the block would leave the object behind.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <sstream>
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

// Whether signal `number` waits to be taken by `pid`, as its /proc status shows.
bool Pending(pid_t pid, int number) {
    std::istringstream status(TempFolder::Get("/proc/" + std::to_string(pid) + "/status"));
    bool pending = false;
    for (std::string line; std::getline(status, line);)
        if (line.rfind("SigPnd:", 0) == 0 || line.rfind("ShdPnd:", 0) == 0)
            pending = pending || (std::stoull(line.substr(7), nullptr, 16) >> (number - 1) & 1);
    return pending;
}

int FramesSince(const std::string& log, long long clock) {
    std::string text = TempFolder::Get(log);
    int count = 0;
    for (std::size_t at = text.find(" clock "); at != std::string::npos;
         at = text.find(" clock ", at + 1))
        count += std::stoll(text.substr(at + 7)) > clock;
    return count;
}

// The hosts run until they are asked to stop once the test has seen what it waits for; their
// --seconds only bounds what a failed test leaves running.
TEST(CutBlock, BothHostsOutliveTheBlockBeingCutShortAndTheTvSideFillsItAgain) {
    TempFolder folder;
    std::string frames = folder.File("frames.log");
    std::string scenario = folder.File("scenario.txt");
    TempFolder::Put(scenario, "service tv 1 \"Jedynka\" \"P\" \"\"\n");
    const char* tvArgs[] = {"--quiet", "--scenario", scenario.c_str(), "--seconds", "120", nullptr};
    const char* lcdArgs[] = {"--log", frames.c_str(), "--seconds", "120", nullptr};
    SharedBlockMapping watcher(StatusBlockName());
    ASSERT_NE(watcher.View(), nullptr);
    platform::ChildProcess tv = Start("tvhost", tvArgs, folder);
    platform::ChildProcess lcd = Start("lcdhost", lcdArgs, folder);
    StatusBlock& block = *watcher.View();
    ASSERT_TRUE(Until([&] { return std::atomic_ref<std::int8_t>(block.isRunning).load() == 1; }));
    for (int i = 0; i < 5; ++i) {
        CutToNothing();
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }
    EXPECT_TRUE(Until([&] {
        return block.blockSize == kStatusBlockSize && block.player.serviceLabel[0] != '\0';
    })) << "the tuner plug-in did not fill the block again";
    long long filled = WallClockMs();
    EXPECT_TRUE(Until([&] { return FramesSince(frames, filled) >= 2; }))
        << "lcdhost stopped drawing";
    kill(static_cast<pid_t>(tv.value), SIGTERM);
    kill(static_cast<pid_t>(lcd.value), SIGTERM);
    EXPECT_EQ(platform::WaitChild(tv, kRunTimeoutMs), 143);
    EXPECT_EQ(platform::WaitChild(lcd, kRunTimeoutMs), 143);
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
    // A terminate pending beside the hangup would be handled first; once the hangup is no
    // longer pending, it was dropped or taken, and a taken one ends the run with 129.
    pid_t pid = static_cast<pid_t>(child.value);
    kill(pid, SIGHUP);
    EXPECT_TRUE(Until([&] { return !Pending(pid, SIGHUP); }));
    kill(pid, SIGTERM);
    EXPECT_EQ(platform::WaitChild(child, kRunTimeoutMs), 143) << "the hangup ended blockctl";
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
