#include "platform/dynamic_library.h"

#include <windows.h>

#include <cstdio>

#include "platform/win32/wide_text.h"

namespace platform {

namespace {

thread_local DWORD loadError = 0;

}  // namespace

void* LoadDynamicLibrary(const char* path) {
    void* library = path ? reinterpret_cast<void*>(LoadLibraryW(Utf16(path).c_str())) : nullptr;
    if (!library) loadError = path ? GetLastError() : ERROR_INVALID_PARAMETER;
    return library;
}

// The same English words whatever the system's language.
std::string DynamicLibraryError() {
    switch (loadError) {
        case ERROR_MOD_NOT_FOUND:
            return "no such file, or a DLL it needs is missing";
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
            return "no such file";
        case ERROR_ACCESS_DENIED:
            return "access denied (a folder, or no right to read it)";
        case ERROR_BAD_EXE_FORMAT:
            return "not a valid Windows DLL (or one for 64-bit Windows)";
        case ERROR_DLL_INIT_FAILED:
            return "the DLL refused to load (its DllMain failed)";
        default:
            return WindowsErrorText(loadError);
    }
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
