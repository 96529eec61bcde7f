#include "platform/dynamic_library.h"

#include <dlfcn.h>

#include <cstdio>

namespace platform {

namespace {

thread_local std::string loadError;

}  // namespace

void* LoadDynamicLibrary(const char* path) {
    void* library = path ? dlopen(path, RTLD_NOW | RTLD_LOCAL) : nullptr;
    if (library) return library;
    const char* error = path ? dlerror() : "no path";
    loadError = error ? error : "unknown error";
    // dlerror starts with the path the caller already knows.
    std::string prefix = std::string(path ? path : "") + ": ";
    if (loadError.starts_with(prefix)) loadError.erase(0, prefix.size());
    return nullptr;
}

std::string DynamicLibraryError() {
    return loadError;
}

void* FindPluginExport(void* library, const char* name, int) { return FindExport(library, name); }

void* FindExport(void* library, const char* name) {
    if (!library || !name) return nullptr;
    return dlsym(library, name);
}

void FreeDynamicLibrary(void* library) {
    if (library) dlclose(library);
}

bool DynamicLibraryIsLoaded(const char* path) {
    void* library = path ? dlopen(path, RTLD_NOW | RTLD_NOLOAD) : nullptr;
    if (library) dlclose(library);
    return library != nullptr;
}

void PluginFileName(const char* baseName, char* out, int size) {
    std::snprintf(out, size, "lib%s.so", baseName);
}

}  // namespace platform
