// Many workers started and stopped, in order and at random, on both targets and under
// ThreadSanitizer: no worker left behind, nothing leaked.
#include <cstdio>
#include <random>

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
};

TEST_F(TunerStress, TenThousandStartsAndStopsLeaveNoWorkerBehind) {
    StartWith("[Options]\r\nRefresh=1\r\n");
    // A thread costs Wine some 8 ms to create and end, so it runs a fifth of the cycles.
    Cycle(UsingWineProfileCalls() ? 2000 : 10000);
    EXPECT_TRUE(NoWorkerLeft());
    EXPECT_TRUE(IsRunningBecomes(0));
}

TEST_F(TunerStress, StormsOfEntryPointsInRandomOrderEndWithNoWorker) {
    StartWith("[Options]\r\nRefresh=5\r\n");
    std::mt19937 random(20261208);
    const int kMenuItems[] = {glyphbox::kEnabledItem, glyphbox::kSignalItem, glyphbox::kRefreshItem, 4711};
    for (int step = 0; step < 3000; ++step) {
        switch (random() % 6) {
            case 0: glyphbox::Start(host_.Window(), &character_, &integer_); break;
            case 1: glyphbox::Event(); break;
            case 2: glyphbox::MenuSelect(kMenuItems[random() % 4]); break;
            case 3: glyphbox::StopWorker(); break;
            case 4: host_.Pump(static_cast<int>(random() % 3)); break;
            default: if (random() % 20 == 0) glyphbox::Exit(); break;
        }
        ASSERT_LE(glyphbox::LiveWorkers(), 2) << "step " << step;
    }
    glyphbox::Exit();
    EXPECT_TRUE(NoWorkerLeft());
    EXPECT_TRUE(IsRunningBecomes(0));
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
