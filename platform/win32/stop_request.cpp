#include "platform/stop_request.h"

#include <windows.h>

#include <atomic>

namespace platform {
namespace {

std::atomic<bool> stopRequested{false};

// Runs on a thread of its own. Closing the console ends the process however this answers,
// so only Ctrl-C and Ctrl-Break are taken.
BOOL WINAPI OnConsoleEvent(DWORD event) {
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) return FALSE;
    return stopRequested.exchange(true) ? FALSE : TRUE;
}

}  // namespace

void CatchStopRequests() {
    SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
}

bool StopRequested() {
    return stopRequested.load();
}

}  // namespace platform
