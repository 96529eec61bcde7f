// A plug-in's background thread, which must never outlive the code it runs.
#pragma once

namespace platform {

struct WorkerThread;

// Starts `body(argument)` on a new thread; null if it could not be started. The thread holds
// a reference to the library holding `body`, so a host that unloads the library while the
// thread runs only drops its own reference. Every thread started is handed to
// ReleaseWorkerThread exactly once.
WorkerThread* StartWorkerThread(void (*body)(void*), void* argument);

// Lets go of a thread whose body has returned or is about to: waits at most `timeoutMs` for
// it to end, then drops its library reference. A thread that has not ended by then keeps
// its reference, and so its library, loaded for the rest of the process. On Windows the
// thread drops its reference itself as it ends (FreeLibraryAndExitThread), so this does
// not wait. Null is ignored.
void ReleaseWorkerThread(WorkerThread* thread, int timeoutMs);

// True when the caller runs on `thread`; false for null.
bool IsWorkerThreadCurrent(const WorkerThread* thread);

// Lets go of a thread without waiting for it: it keeps its library reference for the rest
// of the process. Null is ignored.
void AbandonWorkerThread(WorkerThread* thread);

// Gives the processor to another ready thread, if any; for waits of a few steps.
void YieldToOtherThreads();

// Called as the library is unloaded, after the workers were told to stop: waits at most
// `timeoutMs` for `finished()` to answer true where that is allowed. Windows forbids
// waiting inside the unload notification, and its workers hold their own module reference,
// so there it returns at once.
void AwaitWorkersBeforeUnload(bool (*finished)(), int timeoutMs);

}  // namespace platform
