#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>

#include "platform/bounded_call.h"

namespace {

using Clock = std::chrono::steady_clock;

TEST(BoundedCall, AnOverrunningCallIsLeftToEndOnItsOwnAndTheCallerGoesOn) {
    auto finished = std::make_shared<std::atomic<bool>>(false);
    auto start = Clock::now();
    bool inTime = platform::RunWithin(200, [finished] {
        std::this_thread::sleep_for(std::chrono::seconds(3));
        *finished = true;
    });
    EXPECT_FALSE(inTime);
    // Well short of the call's 3 s: the caller waited for its limit only.
    EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(2500));
    EXPECT_FALSE(*finished);

    bool ran = false;
    EXPECT_TRUE(platform::RunWithin(10000, [&ran] { ran = true; }));
    EXPECT_TRUE(ran);
    // The one left behind still ends, with what it holds kept alive for it.
    for (int i = 0; i < 100 && !*finished; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_TRUE(*finished);
}

}  // namespace
