#include "platform/event.h"

#include <windows.h>

namespace platform {
namespace {

HANDLE Handle(Event* event) { return reinterpret_cast<HANDLE>(event); }
DWORD Milliseconds(int timeoutMs) { return timeoutMs < 0 ? 0 : static_cast<DWORD>(timeoutMs); }

}  // namespace

Event* NewEvent(const char* name) {
    return reinterpret_cast<Event*>(CreateEventA(nullptr, TRUE, FALSE, name));
}

void SignalEvent(Event* event) {
    if (event) SetEvent(Handle(event));
}

void ClearEvent(Event* event) {
    if (event) ::ResetEvent(Handle(event));
}

bool WaitForEvent(Event* event, int timeoutMs) {
    return event && WaitForSingleObject(Handle(event), Milliseconds(timeoutMs)) == WAIT_OBJECT_0;
}

bool WaitForEventServingQueries(Event* event, int timeoutMs) {
    if (!event) return false;
    HANDLE handle = Handle(event);
    DWORD deadline = GetTickCount() + Milliseconds(timeoutMs);
    for (;;) {
        DWORD now = GetTickCount();
        DWORD left = static_cast<int>(deadline - now) > 0 ? deadline - now : 0;
        DWORD result = MsgWaitForMultipleObjects(1, &handle, FALSE, left, QS_SENDMESSAGE);
        if (result == WAIT_OBJECT_0) return true;
        if (result != WAIT_OBJECT_0 + 1) return false;
        // Peeking delivers the messages other threads sent us; posted ones stay queued.
        MSG message;
        PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
}

void DeleteEvent(Event* event) {
    if (event) CloseHandle(Handle(event));
}

}  // namespace platform
