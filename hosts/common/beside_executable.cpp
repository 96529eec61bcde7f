#include "hosts/common/beside_executable.h"

#include "platform/executable_path.h"

std::string BesideExecutable(const std::string& name) {
    char path[1024];
    std::string own(path, platform::GetExecutablePath(path, sizeof path));
    own.erase(own.find_last_of(platform::kPathSeparator) + 1);  // no separator: nothing is left
    return own + name;
}
