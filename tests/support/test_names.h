// Names private to one test, so tests running side by side never share a block.
#pragma once

#include <string>

#include "platform/child_process.h"

inline std::string UniqueBlockName() {
    static int counter = 0;
    return "glyphbox-test-" + std::to_string(platform::CurrentProcessId()) + "-" +
           std::to_string(++counter);
}
