// A TV host for the tuner plug-in's tests: answers the queries like the real host, keeps
// the menu marks and label, and records what it was asked, from any thread.
#pragma once

#include <atomic>
#include <chrono>
#include <cstring>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/posix/host_window_callbacks.h"
#include "status_block/status_block.h"
#include "tuner_plugin/polling_worker.h"

class FakeHost {
public:
    FakeHost() {
        callbacks_ = {this, &FakeHost::Query, &FakeHost::CheckMenuItem, &FakeHost::SetMenuItemText,
                      &FakeHost::ShowAbout};
    }

    void* Window() { return &callbacks_; }

    std::vector<std::uint32_t> Queries() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return queries_;
    }
    std::size_t QueryThreads() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return threads_.size();
    }
    void ForgetQueries() {
        std::lock_guard<std::mutex> lock(mutex_);
        queries_.clear();
        threads_.clear();
    }
    bool Checked(int item) const {
        std::lock_guard<std::mutex> lock(mutex_);
        auto found = checks_.find(item);
        return found != checks_.end() && found->second;
    }
    std::string Label() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return label_;
    }
    int AboutShown() const { return aboutShown_; }

    // The next queries take this long to answer, as a busy host would.
    std::atomic<int> answerDelayMs{0};

    // Waits up to `timeoutMs` until at least `count` queries were answered.
    bool WaitForQueries(std::size_t count, int timeoutMs = 5000) const {
        auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        while (Queries().size() < count) {
            if (std::chrono::steady_clock::now() > deadline) return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return true;
    }

private:
    static FakeHost& Self(void* context) { return *static_cast<FakeHost*>(context); }

    static void Query(void* context, std::uint32_t command, void* record) {
        FakeHost& host = Self(context);
        if (int delay = host.answerDelayMs.load())
            std::this_thread::sleep_for(std::chrono::milliseconds(delay));
        std::lock_guard<std::mutex> lock(host.mutex_);
        host.queries_.push_back(command);
        host.threads_[std::this_thread::get_id()] = true;
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
    static void CheckMenuItem(void* context, int item, int checked) {
        std::lock_guard<std::mutex> lock(Self(context).mutex_);
        Self(context).checks_[item] = checked != 0;
    }
    static void SetMenuItemText(void* context, int, const char* text) {
        std::lock_guard<std::mutex> lock(Self(context).mutex_);
        Self(context).label_ = text;
    }
    static int ShowAbout(void* context, const char*, const char*, const char*, const char* const*) {
        ++Self(context).aboutShown_;
        return 1;
    }

    HostWindowCallbacks callbacks_;
    mutable std::mutex mutex_;
    std::vector<std::uint32_t> queries_;
    std::map<std::thread::id, bool> threads_;
    std::map<int, bool> checks_;
    std::string label_ = "Refresh: 2000 ms";
    std::atomic<int> aboutShown_{0};
};
