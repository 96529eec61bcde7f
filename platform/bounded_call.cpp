#include "platform/bounded_call.h"

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

namespace platform {
namespace {

struct Completion {
    std::mutex lock;
    std::condition_variable ended;
    bool done = false;
};

}  // namespace

bool RunWithin(int timeoutMs, std::function<void()> work) {
    auto completion = std::make_shared<Completion>();
    try {
        std::thread([completion, work = std::move(work)] {
            work();
            std::lock_guard<std::mutex> hold(completion->lock);
            completion->done = true;
            completion->ended.notify_all();
        }).detach();
    } catch (const std::system_error&) {
        return false;  // no thread to be had: as if it overran
    }
    std::unique_lock<std::mutex> hold(completion->lock);
    return completion->ended.wait_for(hold, std::chrono::milliseconds(timeoutMs), [&] { return completion->done; });
}

}  // namespace platform
