#include "hosts/common/block_name_check.h"

#include <cstdio>

#include "hosts/common/output.h"
#include "status_block/status_block_name.h"

bool CheckBlockName(const char* tool) {
    if (StatusBlockName() != nullptr) return true;
    std::fprintf(stderr,
                 "%s: %s is set but names no block (it is empty or longer than %d bytes); give a "
                 "name, or unset it for the usual block\n",
                 tool, kStatusBlockNameVariable, kLongestBlockNameVariable);
    return false;
}
