// Where the running program's executable lives.
#pragma once

#include <cstddef>

namespace platform {

// Writes the full path of the process's main executable (not of a library) into `buffer`,
// terminated and cut to `size` - 1 bytes; returns its length, 0 on failure.
std::size_t GetExecutablePath(char* buffer, std::size_t size);

// The separator between folders in the paths GetExecutablePath gives.
extern const char kPathSeparator;

// What executable file names end with: ".exe" on Windows, nothing elsewhere.
extern const char kExecutableSuffix[];

}  // namespace platform
