#include "status_block/status_block_name.h"

#include <cstdlib>

#include "platform/environment.h"
#include "status_block/status_block.h"

// Allocated to fit: a static buffer for the longest name would add 32 KiB to each DLL file.
const char* StatusBlockName() {
    static char* name = nullptr;
    long length = platform::EnvironmentLength(kStatusBlockNameVariable);
    if (length < 0) return kStatusBlockName;
    if (length == 0 || length > kLongestBlockNameVariable) return nullptr;
    std::free(name);
    name = static_cast<char*>(std::malloc(length + 1));
    if (name == nullptr || !platform::ReadEnvironment(kStatusBlockNameVariable, name, length + 1))
        return nullptr;
    return name;
}
