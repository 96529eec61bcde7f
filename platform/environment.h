// Process environment variables, as child processes inherit them.
#pragma once

#include <cstddef>

namespace platform {

// Copies the variable `name` into `out` (terminated, cut to `size` - 1 bytes); false, with
// `out` empty, when it is not set, is empty or does not fit.
bool ReadEnvironment(const char* name, char* out, std::size_t size);

// The length in bytes of the variable `name`'s value, 0 for an empty one; -1 when it is not set.
long EnvironmentLength(const char* name);

// Sets the variable for this process and the processes it starts; false on failure.
bool WriteEnvironment(const char* name, const char* value);

}  // namespace platform
