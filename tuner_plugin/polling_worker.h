// The worker thread that has the TV host fill the block every refresh interval.
//
// Threads: the host may call the entry points from any of its threads, even several at
// once; each worker runs on a thread of its own. They share the settings and host window
// (atomics in plugin_state) and a WorkerControl per worker: `running` tells the worker to
// go on, `wake` cuts its wait short, `stopped` tells the stop that it has ended. The control
// is freed by whichever of the two lets go of it last, so a worker that outlived a stop's
// wait never signals a closed event.
//
// One worker at most polls: starting one is a single locked step, and a worker that
// outlived its stop's wait is waited for by its successor, on the successor's thread, for
// about 10 s (it has at most one query left). A host that answers nothing in that time is
// taken for hung: only then the successor polls beside the stuck query. Only the polling
// worker writes the block.
//
// A stop's wait answers the messages other threads send the host window, and the host's
// handler for one of them may call an entry point again. So a stop takes its worker out of
// the module state before it waits: a stop re-entered during the wait finds no worker and
// returns at once, and a start re-entered then starts nothing (the next event after the
// stop does).
#pragma once

#include <cstdint>

namespace glyphbox {

inline constexpr std::uint32_t kSignalQuery = 0x01022001;
inline constexpr std::uint32_t kPlayerQuery = 0x01023011;

// Starts a worker unless one is already started or a stop is still waiting for the last
// one: 1 then, 0 after starting (or failing to start) one.
int StartWorker();

// Writes 0 into isRunning, tells the worker to stop and waits for it, answering the
// host's queries meanwhile, at most twice the refresh interval, then lets go of its thread.
// Returns 0; does nothing more when no worker was started or another stop already has it.
int StopWorker();

// Tells the running worker that the host's state changed: it polls at once and once more
// shortly after, then keeps its regular cycle. A burst of calls gives one poll of each.
// Nothing happens when no worker runs.
void PollSoon();

// True while a started worker has not been stopped.
bool WorkerStarted();

// Workers whose threads still run, counting any that outlived a stop's wait.
int LiveWorkers();

// How long a cycle waits for a refresh interval as configured: intervals below 10 ms
// (a hand-edited 0 or negative value too) wait 10 ms, so a worker never spins.
int CycleWaitMs(std::int32_t refreshInterval);

// How long a stop waits for the worker: twice the cycle, at least 1 s and at most 20 s.
int StopWaitMs(std::int32_t refreshInterval);

}  // namespace glyphbox
