#include "platform/stop_request.h"

#include <signal.h>

namespace platform {
namespace {

volatile sig_atomic_t stopRequested = 0;

void OnStopRequest(int) {
    stopRequested = 1;
}

}  // namespace

void CatchStopRequests() {
    struct sigaction action = {};
    action.sa_handler = OnStopRequest;
    action.sa_flags = SA_RESETHAND;
    sigemptyset(&action.sa_mask);
    for (int number : {SIGINT, SIGTERM, SIGHUP}) {
        struct sigaction before;
        if (sigaction(number, &action, &before) == 0 && before.sa_handler == SIG_IGN)
            sigaction(number, &before, nullptr);
    }
}

bool StopRequested() {
    return stopRequested != 0;
}

}  // namespace platform
