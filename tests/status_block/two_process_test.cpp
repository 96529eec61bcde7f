#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

#include "hosts/common/beside_executable.h"
#include "platform/child_process.h"
#include "platform/executable_path.h"
#include "status_block/shared_block_mapping.h"
#include "tests/status_block/block_pattern.h"
#include "tests/support/test_names.h"

namespace {

constexpr int kChildTimeoutMs = 60000;

std::string PeerPath() { return BesideExecutable(std::string("block_peer") + platform::kExecutableSuffix); }

bool WaitForFile(const std::filesystem::path& file) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!std::filesystem::exists(file)) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

TEST(BlockAcrossProcesses, TheOtherProcessOpensTheBlockThisOneCreated) {
    std::string name = UniqueBlockName();
    SharedBlockMapping mapping(name.c_str());
    ASSERT_NE(mapping.View(), nullptr);
    FillBlock(mapping.View(), TestByte);

    const char* args[] = {"second", name.c_str(), nullptr};
    platform::ChildProcess peer = platform::StartChild(PeerPath().c_str(), args);
    ASSERT_TRUE(peer.running) << PeerPath();
    ASSERT_EQ(platform::WaitChild(peer, kChildTimeoutMs), 0);
    EXPECT_EQ(CountMismatches(mapping.View(), PeerByte), 0);
}

TEST(BlockAcrossProcesses, ThisProcessOpensTheBlockTheOtherCreated) {
    std::string name = UniqueBlockName();
    std::filesystem::path ready = std::filesystem::temp_directory_path() / (name + ".ready");
    std::filesystem::remove(ready);
    std::string readyText = ready.string();
    const char* args[] = {"first", name.c_str(), readyText.c_str(), nullptr};
    platform::ChildProcess peer = platform::StartChild(PeerPath().c_str(), args);
    ASSERT_TRUE(peer.running) << PeerPath();
    ASSERT_TRUE(WaitForFile(ready));

    SharedBlockMapping mapping(name.c_str());
    ASSERT_NE(mapping.View(), nullptr);
    EXPECT_EQ(mapping.Size(), kStatusBlockSize);
    EXPECT_EQ(CountMismatches(mapping.View(), PeerByte), 0);
    FillBlock(mapping.View(), TestByte);
    EXPECT_EQ(platform::WaitChild(peer, kChildTimeoutMs), 0);
    std::filesystem::remove(ready);
}

}  // namespace
