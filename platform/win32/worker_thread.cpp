#include "platform/worker_thread.h"

#include <windows.h>

namespace platform {
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

}  // namespace

bool StartWorkerThread(void (*body)(void*), void* argument) {
    HMODULE module = nullptr;
    if (!GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                            reinterpret_cast<LPCSTR>(body), &module))
        return false;
    auto* start = static_cast<ThreadStart*>(HeapAlloc(GetProcessHeap(), 0, sizeof(ThreadStart)));
    if (start) *start = {body, argument, module};
    HANDLE thread = start ? CreateThread(nullptr, 0, RunWorker, start, 0, nullptr) : nullptr;
    if (thread == nullptr) {
        if (start) HeapFree(GetProcessHeap(), 0, start);
        FreeLibrary(module);
        return false;
    }
    CloseHandle(thread);
    return true;
}

void AwaitWorkersBeforeUnload(bool (*)(), int) {}

}  // namespace platform
