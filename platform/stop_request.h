// A request from outside to end the program (Ctrl-C; elsewhere also SIGTERM and SIGHUP), taken
// as a flag so that a tool ends its run as it normally does and releases what it holds: the
// status block above all, which a killed process leaves behind on Linux.
#pragma once

#include <chrono>

namespace platform {

// From now on a request sets the flag instead of ending the process; a second one ends it at
// once, for a run stuck where it does not look. A signal the process was started ignoring
// stays ignored.
void CatchStopRequests();

// True once a request came.
bool StopRequested();

// Sleeps until `until`, or less once a stop is requested (noticed within 50 ms); false then.
bool SleepUnlessStopped(std::chrono::steady_clock::time_point until);

}  // namespace platform
