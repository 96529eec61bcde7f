#include "platform/stop_signal.h"

#include <signal.h>
#include <time.h>

namespace platform {
namespace {

volatile sig_atomic_t stopCode = 0;
timespec firstRequest{};

// Short enough that a stop feels immediate, long enough to cost nothing.
constexpr int kSliceMs = 20;
// Closing a terminal sends a hangup from the shell and another from the kernel, and a
// Ctrl-C may reach a process twice: signals this close together are one request. Only a
// second one the user sends deliberately, later, ends a run stuck where it does not look.
constexpr long kOneRequestMs = 1000;

long MillisecondsSinceFirstRequest() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return (now.tv_sec - firstRequest.tv_sec) * 1000 +
           (now.tv_nsec - firstRequest.tv_nsec) / 1000000;
}

void OnStopSignal(int number) {
    if (stopCode == 0) {
        clock_gettime(CLOCK_MONOTONIC, &firstRequest);
        stopCode = 128 + number;
        return;
    }
    if (MillisecondsSinceFirstRequest() < kOneRequestMs) return;
    // Blocked while in here, so it lands as this returns.
    signal(number, SIG_DFL);
    raise(number);
}

void Catch(int number) {
    struct sigaction previous {};
    if (sigaction(number, nullptr, &previous) == 0 && previous.sa_handler == SIG_IGN) return;
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    // One request at a time: the first's time is set before a second can look at it.
    sigaddset(&action.sa_mask, SIGINT);
    sigaddset(&action.sa_mask, SIGTERM);
    sigaddset(&action.sa_mask, SIGHUP);
    sigaction(number, &action, nullptr);
}

}  // namespace

void CatchStopSignals() {
    Catch(SIGINT);
    Catch(SIGTERM);
    Catch(SIGHUP);
    signal(SIGPIPE, SIG_IGN);
    // A log or picture past the file size limit then fails with a reason instead of ending us.
    signal(SIGXFSZ, SIG_IGN);
}

int StopRequested() {
    return stopCode;
}

bool SleepUnlessStopped(int ms) {
    for (int left = ms; left > 0 && stopCode == 0; left -= kSliceMs) {
        int slice = left < kSliceMs ? left : kSliceMs;
        const timespec pause{0, slice * 1000000L};
        nanosleep(&pause, nullptr);
    }
    return stopCode != 0;
}

}  // namespace platform
