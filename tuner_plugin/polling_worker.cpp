#include "tuner_plugin/polling_worker.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <mutex>  // std::lock_guard
#include <new>

#include "platform/event.h"
#include "platform/host_window.h"
#include "platform/worker_thread.h"
#include "tuner_plugin/plugin_state.h"

namespace glyphbox {
namespace {

constexpr int kShortestCycleMs = 10;
constexpr int kLongestStopWaitMs = 20000;
// Twice a short interval is less than a host may take to answer the query in flight, and a
// stop that returned before that answer would let the host free what the query uses.
constexpr int kShortestStopWaitMs = 1000;
constexpr int kEndedWorkerExitMs = 1000;
constexpr int kHandOverWaitMs = 5000;
// A host may finish updating its state just after telling us of a change.
constexpr int kFollowUpPollMs = 250;
// A worker that outlived its stop's wait has at most the query in flight left to finish. A
// host that has not answered it in this long is taken for hung, and the next worker polls
// all the same rather than leave the LCD stale for good.
constexpr int kPredecessorWaitMs = 10000;
constexpr int kPredecessorCheckMs = 10;

struct WorkerControl {
    std::atomic<int> holders{2};  // the worker and the entry points
    std::atomic<bool> running{true};
    std::atomic<bool> pollNow{false};  // a state change: poll at once, and once more soon
    platform::Event* wake = nullptr;
    platform::Event* stopped = nullptr;
    platform::Event* handedOver = nullptr;     // the worker is known: it may poll
    platform::WorkerThread* thread = nullptr;  // the stop's to release
};

// Held for a few steps only, never while anything waits, so waiting for it is a yield; a
// std::mutex would bring the runtime's error machinery into the DLL, four times its size.
class SpinLock {
public:
    void lock() {
        while (taken_.test_and_set(std::memory_order_acquire)) platform::YieldToOtherThreads();
    }
    void unlock() { taken_.clear(std::memory_order_release); }
    // For the process's end, where Windows has already ended every other thread, perhaps
    // one that held the lock.
    bool TryLockFor(int attempts) {
        for (int attempt = 0; attempt < attempts; ++attempt) {
            if (!taken_.test_and_set(std::memory_order_acquire)) return true;
            platform::YieldToOtherThreads();
        }
        return false;
    }

private:
    std::atomic_flag taken_ = ATOMIC_FLAG_INIT;
};

// Makes checking for a started worker and starting one a single step, whichever threads
// the host calls us from. Held only for that step and for taking the worker out; never
// while anything waits, so a call re-entered during a stop's wait cannot deadlock.
SpinLock slotLock;
// The started worker, if any; whoever takes it out (under slotLock) owns its stop.
std::atomic<WorkerControl*> current{nullptr};
// Stops that are still waiting for their worker (under slotLock).
int stopsWaiting = 0;
// The one worker that may touch the block and ask the host. A new worker waits for the
// one before it, so two never poll at once and an ending one never writes its isRunning 0
// over the new one's 1.
std::atomic<WorkerControl*> poller{nullptr};
// Workers that have not yet made their last access to the block, including any that
// outlived a stop's wait.
std::atomic<int> liveWorkers{0};

bool NoWorkerLeft() { return liveWorkers.load() == 0; }

void LetGo(WorkerControl* control) {
    if (control->holders.fetch_sub(1) != 1) return;
    platform::DeleteEvent(control->wake);
    platform::DeleteEvent(control->stopped);
    platform::DeleteEvent(control->handedOver);
    control->~WorkerControl();
    std::free(control);
}

// Before every poll, not once: the host may read the record sizes before it answers, and a
// block cleared or cut short and grown back under us holds zeros there.
void StampSizes(StatusBlock* block) {
    block->blockSize = kStatusBlockSize;
    block->signal.recordSize = kSignalRecordSize;
    block->player.recordSize = kPlayerRecordSize;
}

void PollOnce(const WorkerControl& control) {
    const Settings& settings = CurrentSettings();
    StatusBlock* block = Block();
    if (block == nullptr) return;
    StampSizes(block);
    if (settings.enabled.load() == 0) {
        SetIsRunning(0);
        return;
    }
    SetIsRunning(1);
    platform::HostWindow window = HostWindow();
    if (settings.signalEnabled.load() != 0) platform::SendHostQuery(window, kSignalQuery, &block->signal);
    // A stop that came during a slow answer should not have to wait for one more.
    if (control.running.load()) platform::SendHostQuery(window, kPlayerQuery, &block->player);
}

// Waits until no older worker touches the block. False when told to stop first; after
// about kPredecessorWaitMs it takes the block from an older worker stuck in the host's
// answer, which then writes nothing more.
bool TakeTheBlock(WorkerControl* control) {
    for (int waitedMs = 0;; waitedMs += kPredecessorCheckMs) {
        WorkerControl* none = nullptr;
        if (poller.compare_exchange_strong(none, control)) return true;
        if (!control->running.load()) return false;
        if (waitedMs >= kPredecessorWaitMs) {
            poller.store(control);
            return true;
        }
        // Only this worker signals its own end, so this is a plain pause.
        platform::WaitForEvent(control->stopped, kPredecessorCheckMs);
    }
}

void LeaveTheBlock(WorkerControl* control) {
    if (poller.load() != control) return;  // a successor took it over
    // A worker that stopped polling must not leave the display believing it runs.
    SetIsRunning(0);
    poller.compare_exchange_strong(control, nullptr);
}

void PollUntilStopped(WorkerControl& control) {
    bool followUpDue = false;
    while (control.running.load()) {
        PollOnce(control);
        int waitMs = CycleWaitMs(CurrentSettings().refreshInterval.load());
        if (followUpDue) waitMs = std::min(waitMs, kFollowUpPollMs);
        platform::WaitForEvent(control.wake, waitMs);
        // Cleared before the flags are read: a stop or a change signalled after this is
        // seen at the next wait.
        platform::ClearEvent(control.wake);
        followUpDue = control.pollNow.exchange(false);
    }
}

void RunWorker(void* argument) {
    auto* control = static_cast<WorkerControl*>(argument);
    // A host may answer the first poll with On_Exit: by then the stop must find this
    // worker, its thread included.
    platform::WaitForEvent(control->handedOver, kHandOverWaitMs);
    if (TakeTheBlock(control)) {
        PollUntilStopped(*control);
        LeaveTheBlock(control);
    }
    liveWorkers.fetch_sub(1);
    platform::SignalEvent(control->stopped);
    LetGo(control);
}

// At the process's end: a lock whose holder is gone is not waited for.
WorkerControl* TakeCurrentAtEnd() {
    constexpr int kAttempts = 10000;
    if (!slotLock.TryLockFor(kAttempts)) return current.exchange(nullptr);
    WorkerControl* control = current.exchange(nullptr);
    slotLock.unlock();
    return control;
}

// Tells the worker to stop, cutting its wait short.
void TellToStop(WorkerControl* control) {
    control->running.store(false);
    platform::SignalEvent(control->wake);
}

// Destroyed before the block mapping (it is made after it), so no worker still writes the
// block when it goes away, even one that outlived a stop's wait.
struct UnloadGuard {
    ~UnloadGuard() {
        int waitMs = StopWaitMs(CurrentSettings().refreshInterval.load());
        if (WorkerControl* control = TakeCurrentAtEnd()) {
            TellToStop(control);
            // Only the end of the process gets here with a worker: its reference kept the
            // library loaded through any unload by the host.
            platform::AbandonWorkerThread(control->thread);
            LetGo(control);
        }
        platform::AwaitWorkersBeforeUnload(NoWorkerLeft, waitMs);
    }
};

}  // namespace

int CycleWaitMs(std::int32_t refreshInterval) {
    return refreshInterval < kShortestCycleMs ? kShortestCycleMs : refreshInterval;
}

int StopWaitMs(std::int32_t refreshInterval) {
    int cycle = CycleWaitMs(refreshInterval);
    return std::clamp(2 * std::min(cycle, kLongestStopWaitMs), kShortestStopWaitMs,
                      kLongestStopWaitMs);
}

int StartWorker() {
    Block();  // mapped at load; the mapping exists before the guard, so it outlives it
    std::lock_guard<SpinLock> lock(slotLock);
    // Statics are not guarded against threads here (-fno-threadsafe-statics): the lock is.
    static UnloadGuard guard;
    if (current.load() || stopsWaiting > 0) return 1;
    void* memory = std::malloc(sizeof(WorkerControl));
    if (memory == nullptr) return 0;
    auto* control = new (memory) WorkerControl;
    control->wake = platform::NewEvent(nullptr);
    control->stopped = platform::NewEvent(nullptr);
    control->handedOver = platform::NewEvent(nullptr);
    // `running` is already set, so a stop that comes before the thread's first step is kept.
    liveWorkers.fetch_add(1);
    if (control->wake && control->stopped && control->handedOver)
        control->thread = platform::StartWorkerThread(RunWorker, control);
    if (control->thread == nullptr) {
        liveWorkers.fetch_sub(1);
        control->holders.store(1);
        LetGo(control);
        return 0;
    }
    current.store(control);
    platform::SignalEvent(control->handedOver);
    return 0;
}

int StopWorker() {
    SetIsRunning(0);
    WorkerControl* control = nullptr;
    {
        std::lock_guard<SpinLock> lock(slotLock);
        control = current.exchange(nullptr);
        if (control == nullptr) return 0;
        ++stopsWaiting;
    }
    TellToStop(control);
    // A host that stops us from inside its answer to our own query, on the worker's thread,
    // would wait for itself.
    bool ended = !platform::IsWorkerThreadCurrent(control->thread) &&
                 platform::WaitForEventServingQueries(control->stopped,
                                                      StopWaitMs(CurrentSettings().refreshInterval.load()));
    // A worker that signalled its end is only a return away from it.
    platform::ReleaseWorkerThread(control->thread, ended ? kEndedWorkerExitMs : 0);
    {
        std::lock_guard<SpinLock> lock(slotLock);
        --stopsWaiting;
    }
    LetGo(control);
    return 0;
}

// Under the lock, so a stop on another thread cannot free the worker's control meanwhile.
void PollSoon() {
    std::lock_guard<SpinLock> lock(slotLock);
    if (WorkerControl* control = current.load()) {
        control->pollNow.store(true);
        platform::SignalEvent(control->wake);
    }
}

bool WorkerStarted() { return current.load() != nullptr; }

int LiveWorkers() { return liveWorkers.load(); }

}  // namespace glyphbox
