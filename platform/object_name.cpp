#include "platform/object_name.h"

#include <cstdint>
#include <cstdio>
#include <cstring>

namespace platform {
namespace {

std::uint64_t HashName(const char* name) {
    std::uint64_t hash = 14695981039346656037ull;  // FNV-1a
    for (const char* p = name; *p; ++p)
        hash = (hash ^ static_cast<unsigned char>(*p)) * 1099511628211ull;
    return hash;
}

}  // namespace

void ShortenObjectName(const char* name, std::size_t longest, char* out, std::size_t size) {
    if (std::strlen(name) <= longest)
        std::snprintf(out, size, "%s", name);
    else
        std::snprintf(out, size, "%.*s~%016llx", static_cast<int>(longest), name,
                      static_cast<unsigned long long>(HashName(name)));
}

}  // namespace platform
