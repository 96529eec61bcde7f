#include "platform/profile_calls.h"

#include <windows.h>

namespace platform {

unsigned ReadProfileString(const char* section, const char* key, const char* defaultText,
                          char* buffer, unsigned size, const char* path) {
    return GetPrivateProfileStringA(section, key, defaultText, buffer, size, path);
}

int StoreProfileString(const char* section, const char* key, const char* value,
                       const char* path) {
    return WritePrivateProfileStringA(section, key, value, path);
}

unsigned ReadProfileSection(const char* section, char* buffer, unsigned size, const char* path) {
    return GetPrivateProfileSectionA(section, buffer, size, path);
}

int StoreProfileSection(const char* section, const char* lines, const char* path) {
    return WritePrivateProfileSectionA(section, lines, path);
}

unsigned ReadProfileSectionNames(char* buffer, unsigned size, const char* path) {
    return GetPrivateProfileSectionNamesA(buffer, size, path);
}

}  // namespace platform
