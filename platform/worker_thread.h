// A plug-in's background thread, which must never outlive the code it runs.
#pragma once

namespace platform {

// Starts `body(argument)` on a new thread; false if it could not be started. The thread keeps
// the library holding `body` loaded for as long as it runs: on Windows it holds a module
// reference and ends through FreeLibraryAndExitThread; elsewhere the library stays loaded
// for the rest of the process once a worker has run.
bool StartWorkerThread(void (*body)(void*), void* argument);

// Called as the library is unloaded, after the workers were told to stop: waits at most
// `timeoutMs` for `finished()` to answer true where that is allowed. Windows forbids
// waiting inside the unload notification, and its workers hold their own module reference,
// so there it returns at once.
void AwaitWorkersBeforeUnload(bool (*finished)(), int timeoutMs);

}  // namespace platform
