#include "status_block/status_block_name.h"

#include "platform/environment.h"
#include "status_block/status_block.h"

const char* StatusBlockName() {
    static char name[kLongestBlockNameVariable + 1];
    if (platform::ReadEnvironment(kStatusBlockNameVariable, name, sizeof name)) return name;
    return platform::EnvironmentIsSet(kStatusBlockNameVariable) ? nullptr : kStatusBlockName;
}
