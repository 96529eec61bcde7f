#include "platform/dynamic_library.h"

#include <dlfcn.h>

#include <cstdio>

namespace platform {

void* LoadDynamicLibrary(const char* path) {
    return path ? dlopen(path, RTLD_NOW | RTLD_LOCAL) : nullptr;
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
