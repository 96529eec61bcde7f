// Whole sections, key and section listings, existence tests, removal, copy and move.
#include <cstring>

#include "platform/multibyte.h"
#include "platform/profile_calls.h"
#include "profile/profile_file.h"

namespace {

constexpr std::uint32_t kFirstReadSize = 512;
constexpr char kMissingKey[] = "{63788286-AE30-4D6B-95DF-3B451C1C79F9}";

bool SameName(const char* a, const char* b) { return platform::MbsCompareNoCase(a, b) == 0; }

}  // namespace

std::uint32_t ProfileFile::ListSizeNeeded(const char* section) const {
    // A cut list answers size - 2, so grow until the answer leaves room to spare; doubling
    // keeps a long list's cost linear in its length.
    for (std::uint32_t size = kFirstReadSize;; size *= 2) {
        HeapText buffer = NewText(size + 1);
        std::uint32_t count =
            section ? platform::ReadProfileSection(section, buffer.get(), size, FileName())
                    : platform::ReadProfileSectionNames(buffer.get(), size, FileName());
        if (count + 2 < size || size > UINT32_MAX / 2) return count + 2;
    }
}

std::uint32_t ProfileFile::ReadSection(const char* section, char* buffer,
                                       std::uint32_t size) const {
    if (buffer && size > 0) buffer[0] = '\0';
    if (section == nullptr) return 0;
    if (FileName() == nullptr) {
        if (buffer && size > 1) buffer[1] = '\0';
        return buffer ? 0 : 2;
    }
    if (buffer) return platform::ReadProfileSection(section, buffer, size, FileName());
    return ListSizeNeeded(section);
}

std::uint32_t ProfileFile::ReadSectionNames(char* buffer, std::uint32_t size) const {
    if (FileName() == nullptr) {
        if (buffer && size > 0) buffer[0] = '\0';
        return buffer ? 0 : 2;
    }
    if (buffer) return platform::ReadProfileSectionNames(buffer, size, FileName());
    return ListSizeNeeded(nullptr);
}

std::uint32_t ProfileFile::ReadKeyNames(const char* section, char* buffer,
                                        std::uint32_t size) const {
    if (buffer && size > 0) buffer[0] = '\0';
    if (section == nullptr) return 0;
    KeyListCursor cursor{buffer, buffer ? size : 0, 0};
    std::uint32_t needed = ReadSection(section, nullptr, 0);
    if (needed == 0) return 0;
    HeapText list = NewText(needed + 1);
    ReadSection(section, list.get(), needed);
    WalkList(list.get(), CollectKeyName, &cursor);
    if (buffer && size > 0) buffer[cursor.total] = '\0';
    return cursor.total;
}

std::int32_t ProfileFile::DeleteSection(const char* section) const {
    if (FileName() == nullptr) return 0;
    return platform::StoreProfileString(section, nullptr, "", FileName());
}

std::int32_t ProfileFile::DeleteKey(const char* section, const char* key) const {
    if (FileName() == nullptr) return 0;
    return platform::StoreProfileString(section, key, nullptr, FileName());
}

std::int32_t ProfileFile::HasSection(const char* section) const {
    if (section == nullptr) return 0;
    std::uint32_t needed = ReadSectionNames(nullptr, 0);
    if (needed == 0) return 0;
    HeapText names = NewText(needed + 1);
    ReadSectionNames(names.get(), needed);
    return WalkList(names.get(), MatchName, const_cast<char*>(section)) == 0 ? 1 : 0;
}

std::int32_t ProfileFile::HasKey(const char* section, const char* key) const {
    if (section == nullptr || key == nullptr || FileName() == nullptr) return 0;
    // Only enough of the value to tell it from the sentinel is read.
    char start[sizeof kMissingKey + 1];
    std::uint32_t count = platform::ReadProfileString(section, key, kMissingKey, start,
                                                      sizeof start, FileName());
    return count == sizeof kMissingKey - 1 && std::strcmp(start, kMissingKey) == 0 ? 0 : 1;
}

std::int32_t ProfileFile::CopySection(const char* source, const char* target,
                                      std::int32_t failIfExists) const {
    if (source == nullptr || target == nullptr || SameName(source, target)) return 0;
    if (!HasSection(source) || (failIfExists && HasSection(target))) return 0;
    DeleteSection(target);
    std::uint32_t needed = ReadSection(source, nullptr, 0);
    HeapText lines = NewText(needed + 2);
    ReadSection(source, lines.get(), needed);
    return platform::StoreProfileSection(target, lines.get(), FileName());
}

std::int32_t ProfileFile::CopyKey(const char* sourceSection, const char* sourceKey,
                                  const char* targetSection, const char* targetKey,
                                  std::int32_t failIfExists) const {
    if (!sourceSection || !sourceKey || !targetSection || !targetKey) return 0;
    if (SameName(sourceSection, targetSection) && SameName(sourceKey, targetKey)) return 0;
    if (!HasKey(sourceSection, sourceKey)) return 0;
    if (failIfExists && HasKey(targetSection, targetKey)) return 0;
    HeapText value = ReadValue(sourceSection, sourceKey, nullptr);
    return WriteString(targetSection, targetKey, value.get());
}

std::int32_t ProfileFile::MoveSection(const char* source, const char* target,
                                      std::int32_t failIfExists) const {
    return CopySection(source, target, failIfExists) && DeleteSection(source) ? 1 : 0;
}

std::int32_t ProfileFile::MoveKey(const char* sourceSection, const char* sourceKey,
                                  const char* targetSection, const char* targetKey,
                                  std::int32_t failIfExists) const {
    return CopyKey(sourceSection, sourceKey, targetSection, targetKey, failIfExists) &&
                   DeleteKey(sourceSection, sourceKey)
               ? 1
               : 0;
}
