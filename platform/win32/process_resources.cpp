#include "platform/process_resources.h"

#include <windows.h>
#include <psapi.h>

namespace platform {

ProcessResources CurrentProcessResources() {
    ProcessResources resources{0, 0};
    DWORD handles = 0;
    if (GetProcessHandleCount(GetCurrentProcess(), &handles) && handles != 0) {
        resources.handles = static_cast<long>(handles);
    } else if (HANDLE probe = CreateEventA(nullptr, TRUE, FALSE, nullptr)) {
        // Wine counts no handles; the slot the next handle gets grows with every one leaked.
        resources.handles = static_cast<long>(reinterpret_cast<std::uintptr_t>(probe) / 4);
        CloseHandle(probe);
    }
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof counters;
    if (GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters))
        resources.memoryBytes = static_cast<std::int64_t>(counters.WorkingSetSize);
    return resources;
}

}  // namespace platform
