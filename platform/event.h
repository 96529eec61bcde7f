// Manual-reset events: signalled once, they stay signalled.
#pragma once

namespace platform {

struct Event;

// A new unsignalled event; `name` (may be null) names it where the platform has named
// events, so other processes can find it. Null on failure.
Event* NewEvent(const char* name);

// Signals the event; null is ignored.
void SignalEvent(Event* event);

// Returns the event to unsignalled; null is ignored.
void ClearEvent(Event* event);

// Waits at most `timeoutMs` (negative: 0); true once the event is signalled. A null event
// answers false at once.
bool WaitForEvent(Event* event, int timeoutMs);

// As WaitForEvent, but a thread that owns windows keeps answering messages other threads
// send it while it waits (posted messages stay queued), so a worker blocked in a query to
// this thread can finish.
bool WaitForEventServingQueries(Event* event, int timeoutMs);

// Releases the event; null is ignored. No one may use it afterwards.
void DeleteEvent(Event* event);

}  // namespace platform
