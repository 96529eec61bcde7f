#include "hosts/common/beside_executable.h"

#include "platform/arguments.h"
#include "platform/executable_path.h"

std::string BesideExecutable(const std::string& name) {
    std::string own = platform::ExecutablePathUtf8();
    own.erase(own.find_last_of(platform::kPathSeparator) + 1);  // no separator: nothing is left
    return own + name;
}
