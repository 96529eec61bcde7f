#include "platform/worker_thread.h"

#include <windows.h>

namespace platform {

struct WorkerThread {
    HANDLE handle;
};

namespace {

struct ThreadStart {
    void (*body)(void*);
    void* argument;
    HMODULE module;
};

DWORD WINAPI RunWorker(void* parameter) {
    ThreadStart start = *static_cast<ThreadStart*>(parameter);
    HeapFree(GetProcessHeap(), 0, parameter);
    start.body(start.argument);
    // Releases our module reference and ends the thread without returning into the module,
    // which may be unloaded the moment the reference is gone.
    FreeLibraryAndExitThread(start.module, 0);
}

template <typename T>
T* Allocate() {
    return static_cast<T*>(HeapAlloc(GetProcessHeap(), 0, sizeof(T)));
}

}  // namespace

WorkerThread* StartWorkerThread(void (*body)(void*), void* argument) {
    HMODULE module = nullptr;
    if (!GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                            reinterpret_cast<LPCSTR>(body), &module))
        return nullptr;
    auto* start = Allocate<ThreadStart>();
    auto* worker = Allocate<WorkerThread>();
    if (start) *start = {body, argument, module};
    HANDLE thread = start && worker ? CreateThread(nullptr, 0, RunWorker, start, 0, nullptr) : nullptr;
    if (thread == nullptr) {
        if (start) HeapFree(GetProcessHeap(), 0, start);
        if (worker) HeapFree(GetProcessHeap(), 0, worker);
        FreeLibrary(module);
        return nullptr;
    }
    worker->handle = thread;
    return worker;
}

void ReleaseWorkerThread(WorkerThread* worker, int) {
    if (worker == nullptr) return;
    CloseHandle(worker->handle);
    HeapFree(GetProcessHeap(), 0, worker);
}

bool IsWorkerThreadCurrent(const WorkerThread* worker) {
    return worker && GetThreadId(worker->handle) == GetCurrentThreadId();
}

void AbandonWorkerThread(WorkerThread* worker) { ReleaseWorkerThread(worker, 0); }

void YieldToOtherThreads() { SwitchToThread(); }

void AwaitWorkersBeforeUnload(bool (*)(), int) {}

}  // namespace platform
