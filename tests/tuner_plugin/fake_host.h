// A TV host for the tuner plug-in's tests, on the emulator's window: a real window with the
// plug-in's menu on Windows, callbacks on Linux. It answers the queries like the real host
// and records them. On Windows the queries arrive as messages, so tests wait by pumping.
// On Linux each query runs on the asking thread, so the host sees two workers polling at
// once as queries that overlap; on Windows its one thread answers them in turn.
#pragma once

#include <atomic>
#include <chrono>
#include <cstring>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/tv_window.h"
#include "status_block/status_block.h"
#include "tuner_plugin/plugin_menu.h"
#include "tuner_plugin/polling_worker.h"

class FakeHost {
public:
    FakeHost() {
        window_ = platform::OpenTvWindow("test host", nullptr,
                                         {this, &Query, &MenuChosen, &Tick, nullptr});
    }
    ~FakeHost() { platform::CloseTvWindow(window_); }
    FakeHost(const FakeHost&) = delete;
    FakeHost& operator=(const FakeHost&) = delete;

    // False when the window could not be created (a Wine prefix still being prepared).
    bool Opened() const { return window_ != nullptr; }
    platform::HostWindow Window() { return platform::TvWindowHandle(window_); }

    std::vector<std::uint32_t> Queries() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return queries_;
    }
    void ForgetQueries() {
        std::lock_guard<std::mutex> lock(mutex_);
        queries_.clear();
    }
    // Queries that began while another was being answered: two workers polling at once.
    int Overlaps() const { return overlaps_.load(); }
    int QueriesBegun() const { return begun_.load(); }
    // For a test in which overlapping queries are what it expects.
    void ForgetOverlaps() { overlaps_ = 0; }

    bool Checked(int item) { return platform::TvMenuItemChecked(window_, item); }
    std::string Label() { return platform::TvMenuItemText(window_, glyphbox::kRefreshItem); }

    // The next queries take this long to answer, as a busy host would.
    std::atomic<int> answerDelayMs{0};

    // The next query's handler calls `call` after its delay, as a host whose handler for a
    // message calls one of the plug-in's entry points would. On Windows the handler runs on
    // the thread that is waiting in a stop; on Linux, on the worker's.
    void ReenterDuringNextQuery(std::function<void()> call) {
        reentry_ = std::move(call);
        reenter_ = true;
    }
    // Whether the last such call ran on a thread other than the one that made this host.
    bool ReenteredOnAnotherThread() const { return reenteredElsewhere_; }

    // Serves the plug-in until `condition` holds or `timeoutMs` has passed.
    bool PumpUntil(const std::function<bool()>& condition, int timeoutMs = 5000) {
        condition_ = condition;
        deadline_ = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        platform::RunTvWindow(window_, 1);
        return condition_();
    }
    void Pump(int ms) {
        PumpUntil([] { return false; }, ms);
    }
    bool WaitForQueries(std::size_t count) {
        return PumpUntil([&] { return Queries().size() >= count; });
    }

private:
    static FakeHost& Self(void* context) { return *static_cast<FakeHost*>(context); }

    static void Query(void* context, std::uint32_t command, void* record) {
        FakeHost& host = Self(context);
        // Read first, so a test that sees the query begun may change it for the next ones.
        int delayMs = host.answerDelayMs.load();
        if (host.answering_.fetch_add(1) > 0) ++host.overlaps_;
        ++host.begun_;
        Answer(host, delayMs, command, record);
        --host.answering_;
    }
    static void Answer(FakeHost& host, int delayMs, std::uint32_t command, void* record) {
        if (delayMs > 0) std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
        if (host.reenter_.exchange(false)) {
            host.reenteredElsewhere_ = std::this_thread::get_id() != host.owner_;
            host.reentry_();
        }
        std::lock_guard<std::mutex> lock(host.mutex_);
        host.queries_.push_back(command);
        if (command == glyphbox::kSignalQuery) {
            auto* signal = static_cast<SignalRecord*>(record);
            signal->quality = 80;
            signal->level = static_cast<std::int32_t>(host.queries_.size());
        } else if (command == glyphbox::kPlayerQuery) {
            auto* player = static_cast<PlayerRecord*>(record);
            std::strcpy(player->serviceLabel, "Kana\xB3 1");
            player->playState = kPlayPlaying;
        }
    }
    static void MenuChosen(void*, int) {}
    static bool Tick(void* context) {
        FakeHost& host = Self(context);
        return !host.condition_() && std::chrono::steady_clock::now() < host.deadline_;
    }

    platform::TvWindow* window_ = nullptr;
    std::function<void()> reentry_;
    std::atomic<bool> reenter_{false};
    std::atomic<bool> reenteredElsewhere_{false};
    std::atomic<int> answering_{0};
    std::atomic<int> overlaps_{0};
    std::atomic<int> begun_{0};
    std::thread::id owner_ = std::this_thread::get_id();
    mutable std::mutex mutex_;
    std::vector<std::uint32_t> queries_;
    std::function<bool()> condition_;
    std::chrono::steady_clock::time_point deadline_;
};
