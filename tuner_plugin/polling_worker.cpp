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
// Workers that have not yet made their last access to the block, including any that
// outlived a stop's wait.
std::atomic<int> liveWorkers{0};

bool NoWorkerLeft() { return liveWorkers.load() == 0; }

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

void PollOnce(const WorkerControl& control) {
    const Settings& settings = CurrentSettings();
    StatusBlock* block = Block();
    if (block == nullptr) return;
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
    StampSizes();
    while (control->running.load()) {
        PollOnce(*control);
        platform::WaitForEvent(control->wake, CycleWaitMs(CurrentSettings().refreshInterval.load()));
    }
    // A worker that stopped polling must not leave the display believing it runs.
    SetIsRunning(0);
    liveWorkers.fetch_sub(1);
    platform::SignalEvent(control->stopped);
    LetGo(control);
}

// Tells the current worker to stop, cutting its wait short.
void TellCurrentToStop() {
    current->running.store(false);
    platform::SignalEvent(current->wake);
}

// Destroyed before the block mapping (it is made after it), so no worker still writes the
// block when it goes away, even one that outlived a stop's wait.
struct UnloadGuard {
    ~UnloadGuard() {
        int waitMs = StopWaitMs(CurrentSettings().refreshInterval.load());
        if (current) {
            TellCurrentToStop();
            LetGo(current);
            current = nullptr;
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
    if (current) return 1;
    Block();  // the mapping exists before the guard, so it is released after it
    static UnloadGuard guard;
    void* memory = std::malloc(sizeof(WorkerControl));
    if (memory == nullptr) return 0;
    auto* control = new (memory) WorkerControl;
    control->wake = platform::NewEvent(nullptr);
    control->stopped = platform::NewEvent(nullptr);
    // `running` is already set, so a stop that comes before the thread's first step is kept.
    liveWorkers.fetch_add(1);
    if (!control->wake || !control->stopped ||
        !platform::StartWorkerThread(RunWorker, control)) {
        liveWorkers.fetch_sub(1);
        control->holders.store(1);
        LetGo(control);
        return 0;
    }
    current = control;
    return 0;
}

int StopWorker() {
    SetIsRunning(0);
    if (current == nullptr) return 0;
    TellCurrentToStop();
    platform::WaitForEventServingQueries(current->stopped,
                                         StopWaitMs(CurrentSettings().refreshInterval.load()));
    LetGo(current);
    current = nullptr;
    return 0;
}

bool WorkerStarted() { return current != nullptr; }

int LiveWorkers() { return liveWorkers.load(); }

}  // namespace glyphbox
