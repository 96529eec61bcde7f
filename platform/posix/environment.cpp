#include "platform/environment.h"

#include <stdlib.h>

#include <cstring>

namespace platform {

bool ReadEnvironment(const char* name, char* out, std::size_t size) {
    if (size == 0) return false;
    out[0] = '\0';
    const char* value = getenv(name);
    if (value == nullptr || value[0] == '\0' || std::strlen(value) >= size) return false;
    std::memcpy(out, value, std::strlen(value) + 1);
    return true;
}

long EnvironmentLength(const char* name) {
    const char* value = getenv(name);
    return value ? static_cast<long>(std::strlen(value)) : -1;
}

bool WriteEnvironment(const char* name, const char* value) { return setenv(name, value, 1) == 0; }

}  // namespace platform
