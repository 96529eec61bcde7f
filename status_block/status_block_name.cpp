#include "status_block/status_block_name.h"

#include "platform/environment.h"
#include "status_block/shared_block_mapping.h"

const char* StatusBlockName() {
    static char name[SharedBlockMapping::kNameCapacity];
    if (platform::ReadEnvironment(kStatusBlockNameVariable, name, sizeof name)) return name;
    return kStatusBlockName;
}
