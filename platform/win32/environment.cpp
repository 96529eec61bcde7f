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

bool EnvironmentIsSet(const char* name) {
    char probe[1];
    SetLastError(ERROR_SUCCESS);
    return GetEnvironmentVariableA(name, probe, sizeof probe) > 0 ||
           GetLastError() != ERROR_ENVVAR_NOT_FOUND;
}

bool WriteEnvironment(const char* name, const char* value) {
    return SetEnvironmentVariableA(name, value) != 0;
}

}  // namespace platform
