#include "platform/stop_signal.h"

#include <signal.h>
#include <time.h>

namespace platform {
namespace {

volatile sig_atomic_t stopCode = 0;

// Short enough that a stop feels immediate, long enough to cost nothing.
constexpr int kSliceMs = 20;

void OnStopSignal(int number) {
    if (stopCode == 0) stopCode = 128 + number;
}

void Catch(int number) {
    struct sigaction previous {};
    if (sigaction(number, nullptr, &previous) == 0 && previous.sa_handler == SIG_IGN) return;
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    // A second one ends the process at once: a run stuck where it does not look is not kept.
    action.sa_flags = SA_RESETHAND;
    sigemptyset(&action.sa_mask);
    sigaction(number, &action, nullptr);
}

}  // namespace

void CatchStopSignals() {
    Catch(SIGINT);
    Catch(SIGTERM);
    Catch(SIGHUP);
    signal(SIGPIPE, SIG_IGN);
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
