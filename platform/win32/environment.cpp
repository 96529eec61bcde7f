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

long EnvironmentLength(const char* name) {
    // Only an empty value fits: any other answers the size it needs, its terminator included.
    char probe[1];
    SetLastError(ERROR_SUCCESS);
    DWORD needed = GetEnvironmentVariableA(name, probe, sizeof probe);
    if (needed == 0) return GetLastError() == ERROR_ENVVAR_NOT_FOUND ? -1 : 0;
    return static_cast<long>(needed) - 1;
}

bool WriteEnvironment(const char* name, const char* value) {
    return SetEnvironmentVariableA(name, value) != 0;
}

}  // namespace platform
