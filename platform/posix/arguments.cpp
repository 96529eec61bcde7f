#include "platform/arguments.h"

#include <limits.h>

#include "platform/executable_path.h"

namespace platform {

// The words arrive as the terminal typed them: UTF-8 here.
void UseUtf8Arguments(int*, char***) {}

std::string ExecutablePathUtf8() {
    char path[PATH_MAX];
    return std::string(path, GetExecutablePath(path, sizeof path));
}

}  // namespace platform
