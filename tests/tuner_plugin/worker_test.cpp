#include <atomic>
#include <chrono>
#include <functional>
#include <string>
#include <thread>

#include "tests/tuner_plugin/tuner_fixture.h"
#include "tuner_plugin/plugin_menu.h"
#include "tuner_plugin/polling_worker.h"

namespace {

using Clock = std::chrono::steady_clock;
using glyphbox::kPlayerQuery;
using glyphbox::kSignalQuery;

class TunerWorker : public TunerTest {};

// Reads isRunning as the display does, as often as it can, on a thread of its own: counts
// the times it read 0 after it had read 1.
class RunningWatch {
public:
    explicit RunningWatch(const StatusBlock* block)
        : thread_([this, block] {
              while (watching_.load()) {
                  std::int8_t value = std::atomic_ref<const std::int8_t>(block->isRunning).load();
                  if (value == 1)
                      sawOne_ = true;
                  else if (sawOne_)
                      ++zerosAfterOne_;
              }
          }) {}
    ~RunningWatch() { Stop(); }
    int Stop() {
        watching_ = false;
        if (thread_.joinable()) thread_.join();
        return zerosAfterOne_;
    }

private:
    std::atomic<bool> watching_{true};
    bool sawOne_ = false;
    int zerosAfterOne_ = 0;
    std::thread thread_;
};

constexpr char kFast[] = "[Options]\r\nRefresh=20\r\n";

long long MillisecondsSince(Clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

TEST_F(TunerWorker, StartAloneRunsNoWorker) {
    display_.View()->isRunning = 1;
    glyphbox::AttachProcess(nullptr);
    EXPECT_EQ(IsRunning(), 0);
    StartWith(kFast);
    host_.Pump(60);
    EXPECT_FALSE(glyphbox::WorkerStarted());
    EXPECT_TRUE(host_.Queries().empty());
    EXPECT_EQ(IsRunning(), 0);
}

TEST_F(TunerWorker, AHostWithoutAWindowIsNeverCalled) {
    PutSettings(kFast);
    glyphbox::Start(nullptr, &character_, &integer_);
    glyphbox::Event();
    glyphbox::MenuSelect(glyphbox::kEnabledItem);
    glyphbox::MenuSelect(glyphbox::kEnabledItem);
    host_.Pump(60);
    glyphbox::Exit();
    EXPECT_TRUE(host_.Queries().empty());
}

TEST_F(TunerWorker, EachCycleAsksForTheSignalThenThePlayer) {
    std::memset(display_.View(), 0xFF, sizeof(StatusBlock));
    StartWith(kFast);
    glyphbox::Event();
    glyphbox::Event();
    ASSERT_TRUE(host_.WaitForQueries(6));
    EXPECT_TRUE(IsRunningBecomes(1));
    std::vector<std::uint32_t> queries = host_.Queries();
    for (std::size_t i = 0; i + 1 < queries.size(); i += 2) {
        EXPECT_EQ(queries[i], kSignalQuery) << i;
        EXPECT_EQ(queries[i + 1], kPlayerQuery) << i;
    }
    EXPECT_EQ(glyphbox::LiveWorkers(), 1) << "two events must start one worker";
    EXPECT_EQ(display_.View()->blockSize, 2316u);
    EXPECT_EQ(display_.View()->signal.recordSize, 12u);
    EXPECT_EQ(display_.View()->player.recordSize, 2296u);
    EXPECT_STREQ(display_.View()->player.serviceLabel, "Kana\xB3 1");
}

// A zap must not wait for the next cycle: a running worker polls at once, and once more
// shortly after, then keeps its cycle; a burst of events is one poll, not one each.
TEST_F(TunerWorker, AnEventMakesARunningWorkerPollAtOnceAndOnceMoreSoonAfter) {
    StartWith("[Options]\r\nRefresh=10000\r\n");
    glyphbox::Event();
    ASSERT_TRUE(host_.WaitForQueries(2));
    host_.Pump(100);
    host_.ForgetQueries();
    Clock::time_point zap = Clock::now();
    glyphbox::Event();
    ASSERT_TRUE(host_.PumpUntil([&] { return host_.Queries().size() >= 2; }, 3000));
    EXPECT_LT(MillisecondsSince(zap), 2000) << "the poll waited for the next cycle";
    EXPECT_TRUE(host_.PumpUntil([&] { return host_.Queries().size() >= 4; }, 3000)) << "no follow-up poll";
    host_.Pump(300);
    EXPECT_EQ(host_.Queries().size(), 4u) << "polls past the follow-up before the next cycle";

    // Slow answers keep the worker busy with its poll while the rest of a burst arrives,
    // however slowly this thread issues it: the poll, one more for the events that came
    // during it, the follow-up make 6 queries; events counted one by one, at least 10.
    host_.ForgetQueries();
    host_.answerDelayMs = 100;
    for (int burst = 0; burst < 5; ++burst) glyphbox::Event();
    host_.Pump(1500);
    EXPECT_LE(host_.Queries().size(), 8u) << "the burst was not one poll";
    std::vector<std::uint32_t> queries = host_.Queries();
    for (std::size_t i = 0; i + 1 < queries.size(); i += 2) {
        EXPECT_EQ(queries[i], kSignalQuery) << i;
        EXPECT_EQ(queries[i + 1], kPlayerQuery) << i;
    }
}

TEST_F(TunerWorker, WithoutTheSignalReadOutOnlyThePlayerIsAsked) {
    StartWith("[Options]\r\nRefresh=20\r\nSignal=0\r\n");
    glyphbox::Event();
    ASSERT_TRUE(host_.WaitForQueries(3));
    for (std::uint32_t query : host_.Queries()) EXPECT_EQ(query, kPlayerQuery);
}

TEST_F(TunerWorker, ADisabledPlugInAsksNothingAndReadsNotRunning) {
    display_.View()->isRunning = 1;
    StartWith("[Options]\r\nRefresh=20\r\nEnabled=0\r\n");
    glyphbox::Event();
    EXPECT_TRUE(IsRunningBecomes(0));
    host_.Pump(80);
    EXPECT_TRUE(host_.Queries().empty());
    glyphbox::MenuSelect(glyphbox::kEnabledItem);
    EXPECT_TRUE(host_.WaitForQueries(2));
    EXPECT_TRUE(IsRunningBecomes(1));
}

TEST_F(TunerWorker, ExitStopsPromptlySavesAndLeavesNotRunning) {
    StartWith("[Options]\r\nRefresh=10000\r\n");
    glyphbox::Event();
    ASSERT_TRUE(host_.WaitForQueries(2));
    Clock::time_point start = Clock::now();
    glyphbox::Exit();
    // The worker is in its 10 s wait: a stop that did not cut it short would take that long.
    EXPECT_LT(MillisecondsSince(start), 2000);
    EXPECT_FALSE(glyphbox::WorkerStarted());
    EXPECT_EQ(IsRunning(), 0);
    EXPECT_NE(SavedSettings().find("Refresh=10000"), std::string::npos);
    std::size_t asked = host_.Queries().size();
    host_.Pump(50);
    EXPECT_EQ(host_.Queries().size(), asked);
}

TEST_F(TunerWorker, AStopAnswersTheQueryInFlightAndEndsPromptly) {
    // A short interval's stop still waits out an answer slower than two intervals.
    for (const char* settings : {"[Options]\r\nRefresh=10000\r\n", "[Options]\r\nRefresh=10\r\n"}) {
        SCOPED_TRACE(settings);
        StartWith(settings);
        host_.ForgetQueries();
        const int begunBefore = host_.QueriesBegun();
        host_.answerDelayMs = 300;
        glyphbox::Event();
        // The worker's first cycle is now under way (Linux) or its query waits for this thread
        // to answer it (Windows): only a stop whose wait answers it can end the worker before
        // its 20 s bound.
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        Clock::time_point start = Clock::now();
        glyphbox::Exit();
        EXPECT_LT(MillisecondsSince(start), 5000);
        std::vector<std::uint32_t> asked = host_.Queries();
        ASSERT_FALSE(asked.empty()) << "the query in flight was not answered during the stop";
        EXPECT_EQ(asked[0], kSignalQuery);
        EXPECT_EQ(host_.QueriesBegun() - begunBefore, static_cast<int>(asked.size()))
            << "a query still in flight";
        host_.answerDelayMs = 0;
        host_.Pump(200);
        EXPECT_EQ(host_.Queries(), asked);
        EXPECT_EQ(IsRunning(), 0);
    }
}

// The stop's wait answers the host's messages, and the host's handler may call us again.
TEST_F(TunerWorker, AnEntryPointCalledAgainDuringAStopNeitherCrashesNorStartsAWorker) {
    const struct {
        const char* what;
        std::function<void()> call;
    } rows[] = {
        {"On_Exit", [] { glyphbox::Exit(); }},
        {"On_Start", [this] { glyphbox::Start(host_.Window(), nullptr, nullptr); }},
        {"an event", [] { glyphbox::Event(); }},
        {"On_Start and a menu choice",
         [this] {
             glyphbox::Start(host_.Window(), nullptr, nullptr);
             glyphbox::MenuSelect(glyphbox::kRefreshItem);
         }},
        // What a worker that passed its loop test just before the stop's 0 would write.
        {"a late isRunning of 1",
         [this] { std::atomic_ref<std::int8_t>(display_.View()->isRunning).store(1); }},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        StartWith("[Options]\r\nRefresh=10000\r\n");
        host_.answerDelayMs = 200;
        glyphbox::Event();
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        host_.ReenterDuringNextQuery(row.call);
        Clock::time_point start = Clock::now();
        glyphbox::Exit();
        EXPECT_LT(MillisecondsSince(start), 5000);
        EXPECT_FALSE(glyphbox::WorkerStarted()) << "a worker was started during the stop";
        host_.answerDelayMs = 0;
        EXPECT_TRUE(host_.PumpUntil([] { return glyphbox::LiveWorkers() == 0; }, 3000));
        EXPECT_EQ(IsRunning(), 0);
    }
}

// The host's answer to the very first poll may be On_Exit; on Linux it runs on the worker's
// own thread, which the stop must neither miss nor wait for.
TEST_F(TunerWorker, AHostThatAnswersTheFirstPollWithOnExitEndsTheWorker) {
    for (int attempt = 0; attempt < 2; ++attempt) {
        SCOPED_TRACE(attempt);
        StartWith("[Options]\r\nRefresh=3000\r\n");
        host_.ReenterDuringNextQuery([] { glyphbox::Exit(); });
        Clock::time_point start = Clock::now();
        glyphbox::Event();
        EXPECT_TRUE(host_.PumpUntil([] { return glyphbox::LiveWorkers() == 0; }, 10000))
            << "the worker outlived the host's On_Exit";
        // On Windows the answer runs on this thread while the worker waits for it, and the
        // stop's wait gives up after twice the interval.
        if (host_.ReenteredOnAnotherThread()) {
            EXPECT_LT(MillisecondsSince(start), 2500) << "the stop waited for its own thread";
        }
        EXPECT_FALSE(glyphbox::WorkerStarted());
        glyphbox::Exit();
    }
}

TEST_F(TunerWorker, ExitThenStartThenAnEventRunsAFreshWorker) {
    StartWith(kFast);
    glyphbox::Event();
    ASSERT_TRUE(host_.WaitForQueries(2));
    glyphbox::Exit();
    StartWith("[Options]\r\nRefresh=20\r\nSignal=0\r\n");
    host_.ForgetQueries();
    glyphbox::Event();
    ASSERT_TRUE(host_.WaitForQueries(2));
    for (std::uint32_t query : host_.Queries()) EXPECT_EQ(query, kPlayerQuery);
}

// A worker that outlived its stop's wait (the host was slow to answer) finishes its query
// before the next worker polls, and its end never makes the display read "not running"
// while the next one polls.
TEST_F(TunerWorker, AWorkerThatOutlivedItsStopIsWaitedForByTheNext) {
    StartWith(kFast);
    host_.answerDelayMs = 400;
    glyphbox::Event();
    // On Linux the worker is now inside a 400 ms answer, which the stop's 40 ms wait does
    // not see the end of.
    ASSERT_TRUE(host_.PumpUntil([&] { return host_.QueriesBegun() >= 2; }));
    glyphbox::Exit();
    host_.answerDelayMs = 0;
    RunningWatch display(display_.View());
    StartWith(kFast);
    glyphbox::Event();
    EXPECT_TRUE(host_.PumpUntil([] { return glyphbox::LiveWorkers() == 1; }, 10000));
    std::size_t asked = host_.Queries().size();
    EXPECT_TRUE(host_.PumpUntil([&] { return host_.Queries().size() >= asked + 6; }));
    EXPECT_EQ(display.Stop(), 0) << "isRunning read 0 while the new worker polled";
}

// On Linux a host's answer can hang without blocking the host: the next worker must not
// wait for it for ever. It takes over after 10 s (counted in pauses, which a busy machine
// makes longer), and the stuck worker writes nothing when its answer finally comes.
TEST_F(TunerWorker, AWorkerStuckInTheHostIsTakenOverAfterTenSeconds) {
    if (UsingWineProfileCalls())
        GTEST_SKIP() << "on Windows a hung answer blocks the host's only thread";
    StartWith(kFast);
    host_.answerDelayMs = 15000;
    glyphbox::Event();
    ASSERT_TRUE(host_.PumpUntil([&] { return host_.QueriesBegun() >= 1; }));
    host_.answerDelayMs = 0;
    glyphbox::Exit();
    StartWith(kFast);
    Clock::time_point start = Clock::now();
    glyphbox::Event();
    ASSERT_TRUE(host_.PumpUntil([&] { return host_.QueriesBegun() >= 2; }, 16000));
    long long tookOverMs = MillisecondsSince(start);
    EXPECT_GE(tookOverMs, 9000) << "the new worker did not wait for the stuck one";
    EXPECT_LT(tookOverMs, 14500) << "the new worker waited for the stuck one's answer";
    RunningWatch display(display_.View());
    EXPECT_TRUE(host_.PumpUntil([] { return glyphbox::LiveWorkers() == 1; }, 10000));
    host_.Pump(100);
    EXPECT_EQ(display.Stop(), 0) << "the stuck worker's end wrote isRunning 0";
    host_.ForgetOverlaps();
}

TEST_F(TunerWorker, ExitWithoutAWorkerNeitherWaitsNorFails) {
    StartWith("[Options]\r\nRefresh=10000\r\n");
    Clock::time_point start = Clock::now();
    glyphbox::Exit();
    glyphbox::Start(host_.Window(), nullptr, nullptr);
    glyphbox::Exit();
    EXPECT_LT(MillisecondsSince(start), 5000);  // a wait would last 20 s
}

TEST_F(TunerWorker, ARepeatedStartNeverLeavesTwoWorkersPolling) {
    StartWith(kFast);
    glyphbox::Event();
    ASSERT_TRUE(host_.WaitForQueries(2));
    glyphbox::Start(host_.Window(), &character_, &integer_);
    host_.ForgetQueries();
    glyphbox::Event();
    ASSERT_TRUE(host_.WaitForQueries(10));
    EXPECT_EQ(glyphbox::LiveWorkers(), 1);
}

TEST_F(TunerWorker, ZeroOrNegativeIntervalsNeitherSpinNorHang) {
    for (const char* interval : {"0", "-1", "2147483647"}) {
        SCOPED_TRACE(interval);
        StartWith(std::string("[Options]\r\nRefresh=") + interval + "\r\n");
        host_.ForgetQueries();
        Clock::time_point polling = Clock::now();
        glyphbox::Event();
        host_.Pump(100);
        // Two queries a cycle at most, and a cycle lasts at least 10 ms however long this took.
        std::size_t cycles = static_cast<std::size_t>(MillisecondsSince(polling) / 10 + 2);
        EXPECT_LE(host_.Queries().size(), 2 * cycles) << "a cycle waits at least 10 ms";
        Clock::time_point start = Clock::now();
        glyphbox::Exit();
        EXPECT_LT(MillisecondsSince(start), 5000);
    }
}

// Run under ThreadSanitizer by the test command: starts, stops that overtake the start,
// and repeated starts, with the shortest interval.
TEST_F(TunerWorker, AThousandStartsAndStopsLeaveNoWorkerBehind) {
    StartWith("[Options]\r\nRefresh=1\r\n");
    for (int cycle = 0; cycle < 1000; ++cycle) {
        glyphbox::Event();
        if (cycle % 3 == 0) glyphbox::Start(host_.Window(), &character_, &integer_);
        if (cycle % 2 == 0) glyphbox::Event();
        glyphbox::Exit();
    }
    EXPECT_FALSE(glyphbox::WorkerStarted());
    EXPECT_TRUE(IsRunningBecomes(0));
    std::size_t asked = host_.Queries().size();
    host_.Pump(50);
    EXPECT_EQ(host_.Queries().size(), asked);
}

TEST_F(TunerWorker, TheHostLearnsThePlugInsName) {
    char name[16] = {};
    glyphbox::SendName(name);
    EXPECT_STREQ(name, "Glyphbox");
    glyphbox::SendName(nullptr);
}

}  // namespace
