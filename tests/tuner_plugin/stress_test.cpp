// Many workers started and stopped, in order and at random, on both targets and under
// ThreadSanitizer: no worker left behind, nothing leaked.
#include <atomic>
#include <chrono>
#include <cstdio>
#include <random>
#include <thread>
#include <vector>

#include "platform/process_resources.h"
#include "tests/tuner_plugin/tuner_fixture.h"
#include "tuner_plugin/plugin_menu.h"
#include "tuner_plugin/polling_worker.h"

namespace {

class TunerStress : public TunerTest {
protected:
    // Starts and stops `cycles` workers, stops overtaking starts on every other cycle.
    void Cycle(int cycles) {
        for (int cycle = 0; cycle < cycles; ++cycle) {
            glyphbox::StartWorker();
            if (cycle % 2 == 0) host_.Pump(0);
            glyphbox::StopWorker();
        }
    }

    bool NoWorkerLeft() {
        return host_.PumpUntil([] { return glyphbox::LiveWorkers() == 0; }, 10000);
    }

    // A fresh start polls at one worker's pace: two queries a cycle at most, signal then
    // player. A machine too busy to keep the pace only asks less.
    void ExpectOneWorkersPace() {
        constexpr int kIntervalMs = 50;
        StartWith("[Options]\r\nRefresh=50\r\n");
        glyphbox::Event();
        ASSERT_TRUE(host_.WaitForQueries(2));
        host_.Pump(400);  // past the follow-up poll of the start
        host_.ForgetQueries();
        auto start = std::chrono::steady_clock::now();
        host_.Pump(1000);
        auto elapsed = std::chrono::steady_clock::now() - start;
        std::vector<std::uint32_t> queries = host_.Queries();
        // The first of them may be the second half of a cycle.
        if (!queries.empty() && queries.front() == glyphbox::kPlayerQuery)
            queries.erase(queries.begin());
        auto elapsedMs = std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count();
        auto cycles = elapsedMs / kIntervalMs + 2;
        EXPECT_LE(queries.size(), static_cast<std::size_t>(2 * cycles))
            << "more than one worker's pace";
        for (std::size_t i = 0; i + 1 < queries.size(); i += 2) {
            ASSERT_EQ(queries[i], glyphbox::kSignalQuery) << i;
            ASSERT_EQ(queries[i + 1], glyphbox::kPlayerQuery) << i;
        }
    }
};

TEST_F(TunerStress, TenThousandStartsAndStopsLeaveNoWorkerBehind) {
    StartWith("[Options]\r\nRefresh=1\r\n");
    // A thread costs Wine some 8 ms to create and end, so it runs a fifth of the cycles.
    Cycle(UsingWineProfileCalls() ? 2000 : 10000);
    EXPECT_TRUE(NoWorkerLeft());
    EXPECT_TRUE(IsRunningBecomes(0));
}

// The host may call us from several of its threads at once. Each round four threads call
// the entry points in random order while the host's thread answers queries; the round ends
// with On_Exit on the host's thread. The host fails any query that overlaps another.
TEST_F(TunerStress, StormsOfEntryPointsFromFourThreadsNeverLeaveTwoWorkersPolling) {
    constexpr char kStorm[] = "[Options]\r\nRefresh=5\r\n";
    const int kMenuItems[] = {glyphbox::kEnabledItem, glyphbox::kSignalItem, glyphbox::kRefreshItem,
                              4711};
    const int rounds = 4;
    const int callsPerThread = 1000;
    host_.answerDelayMs = 1;  // long enough for a second worker's query to meet the first's
    for (int round = 0; round < rounds; ++round) {
        SCOPED_TRACE(round);
        StartWith(kStorm);
        std::atomic<int> stormsLeft{4};
        std::vector<std::thread> storms;
        for (int thread = 0; thread < 4; ++thread) {
            storms.emplace_back([&, seed = 20261209u + 4 * round + thread] {
                std::mt19937 random(seed);
                for (int call = 0; call < callsPerThread; ++call) {
                    switch (random() % 16) {
                        case 0: glyphbox::Start(host_.Window(), nullptr, nullptr); break;
                        case 1: if (random() % 4 == 0) glyphbox::Exit(); break;
                        case 2: case 3: case 4: case 5: glyphbox::MenuSelect(kMenuItems[random() % 4]); break;
                        default: glyphbox::Event(); break;
                    }
                }
                --stormsLeft;
            });
        }
        host_.PumpUntil([&] { return stormsLeft.load() == 0; }, 120000);
        for (std::thread& storm : storms) storm.join();
        glyphbox::Exit();
        ASSERT_TRUE(NoWorkerLeft());
        host_.ForgetQueries();
        host_.Pump(100);
        EXPECT_TRUE(host_.Queries().empty()) << "a worker polled after On_Exit";
        EXPECT_EQ(IsRunning(), 0);
    }
    host_.answerDelayMs = 0;
    ExpectOneWorkersPace();
}

TEST_F(TunerStress, HandlesAndMemoryStayFlatOverAThousandCycles) {
    StartWith("[Options]\r\nRefresh=1\r\n");
    Cycle(50);  // the runtime's own caches fill first
    ASSERT_TRUE(NoWorkerLeft());
    platform::ProcessResources before = platform::CurrentProcessResources();
    Cycle(1000);
    ASSERT_TRUE(NoWorkerLeft());
    platform::ProcessResources after = platform::CurrentProcessResources();
    std::printf("handles %ld -> %ld, memory %lld -> %lld KiB\n", before.handles, after.handles,
                static_cast<long long>(before.memoryBytes / 1024), static_cast<long long>(after.memoryBytes / 1024));
    EXPECT_LE(after.handles, before.handles + 2);
    // A leaked event or control block per cycle would show as thousands of handles or more;
    // the allowance covers allocator and sanitizer caches.
    EXPECT_LT(after.memoryBytes - before.memoryBytes, 16ll * 1024 * 1024);
}

}  // namespace
