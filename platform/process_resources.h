// What this process holds, for tests that check nothing leaks over many cycles.
#pragma once

#include <cstdint>

namespace platform {

struct ProcessResources {
    long handles;               // kernel handles on Windows (where the system does not count
                                // them, the slot of the next new handle), open descriptors elsewhere
    std::int64_t memoryBytes;   // working set on Windows, resident set elsewhere
};

ProcessResources CurrentProcessResources();

}  // namespace platform
