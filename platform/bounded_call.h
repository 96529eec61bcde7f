// Calls that have no time limit of their own (a name lookup) made with one.
#pragma once

#include <functional>

namespace platform {

// Runs `work` on a thread of its own and waits at most `timeoutMs` for it: true when it ended
// in time. One that overruns is left to end on its own, so whatever it touches must be owned
// by `work` itself (hold shared state through a shared_ptr).
bool RunWithin(int timeoutMs, std::function<void()> work);

}  // namespace platform
