#include "platform/shared_memory.h"

#include <aclapi.h>
#include <windows.h>

#include "platform/object_name.h"

namespace platform {
namespace {

// Object names are limited to MAX_PATH characters; longer ones are shortened, keeping a hash
// of the whole so distinct names stay distinct.
constexpr std::size_t kLongestKeptName = 200;

}  // namespace

SharedMemoryHandle OpenSharedMemory(const char* given, std::uint32_t size, bool* created) {
    SharedMemoryHandle handle;
    if (given == nullptr || given[0] == '\0') return handle;
    char name[kLongestKeptName + 18];
    ShortenObjectName(given, kLongestKeptName, name, sizeof name);
    HANDLE mapping =
        CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, size, name);
    if (mapping == nullptr) return handle;
    if (created) *created = GetLastError() != ERROR_ALREADY_EXISTS;
    // A null DACL lets a host running under another account open the block too; if it
    // cannot be set, the default security still serves processes of the same user.
    SetNamedSecurityInfoA(const_cast<char*>(name), SE_KERNEL_OBJECT, DACL_SECURITY_INFORMATION,
                          nullptr, nullptr, nullptr, nullptr);
    handle.value = reinterpret_cast<std::intptr_t>(mapping);
    handle.open = true;
    return handle;
}

void* MapSharedMemory(const SharedMemoryHandle& handle, std::uint32_t) {
    if (!handle.open) return nullptr;
    return MapViewOfFile(reinterpret_cast<HANDLE>(handle.value), FILE_MAP_ALL_ACCESS, 0, 0, 0);
}

void UnmapSharedMemory(void* view, std::uint32_t) {
    if (view) UnmapViewOfFile(view);
}

void CloseSharedMemory(SharedMemoryHandle& handle) {
    if (!handle.open) return;
    CloseHandle(reinterpret_cast<HANDLE>(handle.value));
    handle = SharedMemoryHandle{};
}

void PrepareSharedMemoryForUnload() {}

}  // namespace platform
