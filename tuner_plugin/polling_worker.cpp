#include "tuner_plugin/polling_worker.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <new>

#include "platform/event.h"
#include "platform/host_window.h"
#include "platform/worker_thread.h"
#include "tuner_plugin/plugin_state.h"

namespace glyphbox {
namespace {

constexpr int kShortestCycleMs = 10;
constexpr int kLongestStopWaitMs = 20000;
constexpr int kEndedWorkerExitMs = 1000;
constexpr int kHandOverWaitMs = 5000;
// A host may finish updating its state just after telling us of a change.
constexpr int kFollowUpPollMs = 250;

struct WorkerControl {
    std::atomic<int> holders{2};  // the worker and the entry points
    std::atomic<bool> running{true};
    std::atomic<bool> pollNow{false};  // a state change: poll at once, and once more soon
    platform::Event* wake = nullptr;
    platform::Event* stopped = nullptr;
    platform::Event* handedOver = nullptr;     // the worker is known: it may poll
    platform::WorkerThread* thread = nullptr;  // the stop's to release
};

// The started worker, if any; whoever takes it out owns its stop.
std::atomic<WorkerControl*> current{nullptr};
// Stops that are still waiting for their worker.
std::atomic<int> stopsWaiting{0};
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

void RunWorker(void* argument) {
    auto* control = static_cast<WorkerControl*>(argument);
    // A host may answer the first poll with On_Exit: by then the stop must find this
    // worker, its thread included.
    platform::WaitForEvent(control->handedOver, kHandOverWaitMs);
    bool followUpDue = false;
    while (control->running.load()) {
        PollOnce(*control);
        int waitMs = CycleWaitMs(CurrentSettings().refreshInterval.load());
        if (followUpDue) waitMs = std::min(waitMs, kFollowUpPollMs);
        platform::WaitForEvent(control->wake, waitMs);
        // Cleared before the flags are read: a stop or a change signalled after this is
        // seen at the next wait.
        platform::ClearEvent(control->wake);
        followUpDue = control->pollNow.exchange(false);
    }
    // A worker that stopped polling must not leave the display believing it runs.
    SetIsRunning(0);
    liveWorkers.fetch_sub(1);
    platform::SignalEvent(control->stopped);
    LetGo(control);
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
        if (WorkerControl* control = current.exchange(nullptr)) {
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
    return cycle > kLongestStopWaitMs / 2 ? kLongestStopWaitMs : 2 * cycle;
}

int StartWorker() {
    if (current.load() || stopsWaiting.load() > 0) return 1;
    Block();  // the mapping exists before the guard, so it is released after it
    static UnloadGuard guard;
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
    // Counted before the worker is taken, so no start slips in between.
    stopsWaiting.fetch_add(1);
    WorkerControl* control = current.exchange(nullptr);
    if (control == nullptr) {
        stopsWaiting.fetch_sub(1);
        return 0;
    }
    TellToStop(control);
    // A host that stops us from inside its answer to our own query, on the worker's thread,
    // would wait for itself.
    bool ended = !platform::IsWorkerThreadCurrent(control->thread) &&
                 platform::WaitForEventServingQueries(control->stopped,
                                                      StopWaitMs(CurrentSettings().refreshInterval.load()));
    // A worker that signalled its end is only a return away from it.
    platform::ReleaseWorkerThread(control->thread, ended ? kEndedWorkerExitMs : 0);
    stopsWaiting.fetch_sub(1);
    LetGo(control);
    return 0;
}

void PollSoon() {
    if (WorkerControl* control = current.load()) {
        control->pollNow.store(true);
        platform::SignalEvent(control->wake);
    }
}

bool WorkerStarted() { return current.load() != nullptr; }

int LiveWorkers() { return liveWorkers.load(); }

}  // namespace glyphbox
