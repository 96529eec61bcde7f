#include "platform/event.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <new>

namespace platform {

struct Event {
    std::mutex mutex;
    std::condition_variable changed;
    bool signalled = false;
};

// Events are private to the process here; nothing else looks for them by name.
Event* NewEvent(const char*) { return new (std::nothrow) Event; }

void SignalEvent(Event* event) {
    if (!event) return;
    std::lock_guard<std::mutex> lock(event->mutex);
    event->signalled = true;
    event->changed.notify_all();
}

void ClearEvent(Event* event) {
    if (!event) return;
    std::lock_guard<std::mutex> lock(event->mutex);
    event->signalled = false;
}

bool WaitForEvent(Event* event, int timeoutMs) {
    if (!event) return false;
    std::unique_lock<std::mutex> lock(event->mutex);
    return event->changed.wait_for(lock, std::chrono::milliseconds(timeoutMs < 0 ? 0 : timeoutMs),
                                   [event] { return event->signalled; });
}

// A host here answers queries on the querying thread, so there is nothing to serve.
bool WaitForEventServingQueries(Event* event, int timeoutMs) { return WaitForEvent(event, timeoutMs); }

void DeleteEvent(Event* event) { delete event; }

}  // namespace platform
