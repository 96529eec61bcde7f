// Loading a plug-in library and finding its exports, as a host does.
#pragma once

#include <string>

namespace platform {

// Loads the library at `path`; null when it cannot be loaded. Free it with FreeDynamicLibrary.
void* LoadDynamicLibrary(const char* path);

// Why the last LoadDynamicLibrary on this thread failed, in the loader's words without the
// path ("cannot open shared object file: No such file or directory", "invalid ELF header",
// "not a valid Windows DLL").
std::string DynamicLibraryError();

// The address of the plug-in export `name` taking `argumentBytes` bytes of arguments, under the
// name a host looks for (decorated "_name@bytes" on Windows, plain elsewhere); null if absent.
void* FindPluginExport(void* library, const char* name, int argumentBytes);

// The address of the export `name` exactly as given (cdecl functions are not decorated);
// null if absent.
void* FindExport(void* library, const char* name);

// Unloads a library from LoadDynamicLibrary; null is ignored.
void FreeDynamicLibrary(void* library);

// True while the library at `path` is loaded in this process, by anyone.
bool DynamicLibraryIsLoaded(const char* path);

// The file name a plug-in library has on this platform: "vistune" -> "vistune.dll" or
// "libvistune.so". Writes at most `size` bytes, terminated.
void PluginFileName(const char* baseName, char* out, int size);

}  // namespace platform
