// Starting and awaiting other programs, for the tools and tests that run hosts side by side.
#pragma once

#include <cstdint>

namespace platform {

struct ChildProcess {
    std::intptr_t value = 0;
    bool running = false;
};

// Starts the program at `path` with `arguments` (a null-terminated list, may be null) and the
// caller's standard streams; running == false on failure.
ChildProcess StartChild(const char* path, const char* const* arguments);

// Waits at most `timeoutMs` for the child to end and returns its exit code; a child still
// running then is killed and -1 returned. A child that never started returns -1 at once.
int WaitChild(ChildProcess& child, int timeoutMs);

enum class StopRequest { kInterrupt, kTerminate, kHangUp };

// Asks a running child to stop as a user or the system would: Ctrl-C (on Windows a Ctrl-Break
// to the child's own console group), SIGTERM, SIGHUP. False where the platform has no such
// request (Windows: all but kInterrupt) or it could not be sent.
bool RequestChildStop(const ChildProcess& child, StopRequest request);

// This process's identifier, for names that must differ between processes.
int CurrentProcessId();

}  // namespace platform
