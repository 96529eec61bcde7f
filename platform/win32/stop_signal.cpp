#include "platform/stop_signal.h"

#include <windows.h>

namespace platform {
namespace {

volatile LONG stopCode = 0;
HANDLE stopEvent = nullptr;

// Windows ends the process once the handler returns from a close event; the tool's own
// ending (plug-in told, block released) gets this long to finish first.
constexpr DWORD kCloseGraceMs = 4000;

BOOL WINAPI OnConsoleEvent(DWORD event) {
    bool interrupt = event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT;
    bool first = InterlockedCompareExchange(&stopCode, interrupt ? 130 : 129, 0) == 0;
    // A second Ctrl-C ends the process at once: a run stuck where it does not look is not kept.
    if (interrupt && !first) return FALSE;
    SetEvent(stopEvent);
    if (!interrupt) Sleep(kCloseGraceMs);
    return TRUE;
}

}  // namespace

void CatchStopSignals() {
    if (!stopEvent) stopEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
}

int StopRequested() {
    return static_cast<int>(InterlockedCompareExchange(&stopCode, 0, 0));
}

bool SleepUnlessStopped(int ms) {
    if (stopEvent)
        WaitForSingleObject(stopEvent, static_cast<DWORD>(ms));
    else
        Sleep(static_cast<DWORD>(ms));
    return StopRequested() != 0;
}

}  // namespace platform
