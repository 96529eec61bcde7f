#include "platform/executable_path.h"

#include <windows.h>

namespace platform {

const char kPathSeparator = '\\';
const char kExecutableSuffix[] = ".exe";

std::size_t GetExecutablePath(char* buffer, std::size_t size) {
    if (buffer == nullptr || size == 0) return 0;
    DWORD length = GetModuleFileNameA(nullptr, buffer, static_cast<DWORD>(size));
    // A path that fills the buffer comes back unterminated on older systems.
    if (length >= size) length = static_cast<DWORD>(size - 1);
    buffer[length] = '\0';
    return length;
}

}  // namespace platform
