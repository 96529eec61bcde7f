#include "platform/dynamic_library.h"

#include <windows.h>

#include <cstdio>

namespace platform {

void* LoadDynamicLibrary(const char* path) {
    return path ? reinterpret_cast<void*>(LoadLibraryA(path)) : nullptr;
}

void* FindPluginExport(void* library, const char* name, int argumentBytes) {
    if (!library || !name) return nullptr;
    char decorated[256];
    std::snprintf(decorated, sizeof decorated, "_%s@%d", name, argumentBytes);
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(library), decorated));
}

void* FindExport(void* library, const char* name) {
    if (!library || !name) return nullptr;
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(library), name));
}

void FreeDynamicLibrary(void* library) {
    if (library) FreeLibrary(static_cast<HMODULE>(library));
}

bool DynamicLibraryIsLoaded(const char* path) { return path && GetModuleHandleA(path) != nullptr; }

void PluginFileName(const char* baseName, char* out, int size) {
    std::snprintf(out, size, "%s.dll", baseName);
}

}  // namespace platform
