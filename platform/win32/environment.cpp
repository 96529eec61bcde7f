#include "platform/environment.h"

#include <windows.h>

namespace platform {

bool ReadEnvironment(const char* name, char* out, std::size_t size) {
    if (size == 0) return false;
    DWORD length = GetEnvironmentVariableA(name, out, static_cast<DWORD>(size));
    if (length == 0 || length >= size) {
        out[0] = '\0';
        return false;
    }
    return true;
}

bool WriteEnvironment(const char* name, const char* value) {
    return SetEnvironmentVariableA(name, value) != 0;
}

}  // namespace platform
