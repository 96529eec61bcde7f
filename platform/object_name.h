// Names of shared objects that the system takes whatever name a user gives.
#pragma once

#include <cstddef>

namespace platform {

// Writes `name` to `out` when it has at most `longest` bytes; otherwise its first `longest`
// bytes, '~' and 16 hex digits of a hash of the whole, so that long names stay distinct.
// `out` gets at most `size` - 1 bytes and a terminator.
void ShortenObjectName(const char* name, std::size_t longest, char* out, std::size_t size);

}  // namespace platform
