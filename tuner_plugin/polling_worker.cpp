#include "tuner_plugin/polling_worker.h"

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

struct WorkerControl {
    std::atomic<int> holders{2};  // the worker and the entry points
    std::atomic<bool> running{true};
    platform::Event* wake = nullptr;
    platform::Event* stopped = nullptr;
};

// Only the entry-point thread touches this.
WorkerControl* current = nullptr;

void LetGo(WorkerControl* control) {
    if (control->holders.fetch_sub(1) != 1) return;
    platform::DeleteEvent(control->wake);
    platform::DeleteEvent(control->stopped);
    control->~WorkerControl();
    std::free(control);
}

void StampSizes() {
    if (StatusBlock* block = Block()) {
        block->blockSize = kStatusBlockSize;
        block->signal.recordSize = kSignalRecordSize;
        block->player.recordSize = kPlayerRecordSize;
    }
}

void PollOnce() {
    const Settings& settings = CurrentSettings();
    StatusBlock* block = Block();
    if (block == nullptr) return;
    if (settings.enabled.load() == 0) {
        block->isRunning = 0;
        return;
    }
    block->isRunning = 1;
    platform::HostWindow window = HostWindow();
    if (settings.signalEnabled.load() != 0) platform::SendHostQuery(window, kSignalQuery, &block->signal);
    platform::SendHostQuery(window, kPlayerQuery, &block->player);
}

void RunWorker(void* argument) {
    auto* control = static_cast<WorkerControl*>(argument);
    StampSizes();
    while (control->running.load()) {
        PollOnce();
        platform::WaitForEvent(control->wake, CycleWaitMs(CurrentSettings().refreshInterval.load()));
    }
    // A worker that stopped polling must not leave the display believing it runs.
    SetIsRunning(0);
    platform::SignalEvent(control->stopped);
    LetGo(control);
}

// Tells the worker to stop and gives it `waitMs` to end, serving the host's queries.
void StopCurrent(int waitMs, bool atUnload) {
    current->running.store(false);
    platform::SignalEvent(current->wake);
    if (atUnload)
        platform::AwaitWorkerBeforeUnload(current->stopped, waitMs);
    else
        platform::WaitForEventServingQueries(current->stopped, waitMs);
    LetGo(current);
    current = nullptr;
}

// Destroyed before the block mapping (it is made after it), so a worker is stopped before
// the block it writes goes away.
struct UnloadGuard {
    ~UnloadGuard() {
        if (current) StopCurrent(StopWaitMs(CurrentSettings().refreshInterval.load()), true);
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
    if (current) return 1;
    Block();  // the mapping exists before the guard, so it is released after it
    static UnloadGuard guard;
    void* memory = std::malloc(sizeof(WorkerControl));
    if (memory == nullptr) return 0;
    auto* control = new (memory) WorkerControl;
    control->wake = platform::NewEvent(nullptr);
    control->stopped = platform::NewEvent(nullptr);
    // `running` is already set, so a stop that comes before the thread's first step is kept.
    if (!control->wake || !control->stopped ||
        !platform::StartWorkerThread(RunWorker, control)) {
        control->holders.store(1);
        LetGo(control);
        return 0;
    }
    current = control;
    return 0;
}

int StopWorker() {
    SetIsRunning(0);
    if (current) StopCurrent(StopWaitMs(CurrentSettings().refreshInterval.load()), false);
    return 0;
}

bool WorkerStarted() { return current != nullptr; }

}  // namespace glyphbox
