#include "platform/executable_path.h"

#include <unistd.h>

namespace platform {

const char kPathSeparator = '/';
const char kExecutableSuffix[] = "";

std::size_t GetExecutablePath(char* buffer, std::size_t size) {
    if (buffer == nullptr || size == 0) return 0;
    ssize_t length = readlink("/proc/self/exe", buffer, size - 1);
    if (length < 0) length = 0;
    buffer[length] = '\0';
    return static_cast<std::size_t>(length);
}

}  // namespace platform
