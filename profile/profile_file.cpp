#include "profile/profile_file.h"

#include <cstdint>
#include <cstring>

#include "platform/multibyte.h"
#include "platform/profile_calls.h"

namespace {

constexpr std::uint32_t kFirstReadSize = 512;
// Buffers up to this size are served by one read of that many bytes; larger ones by a whole
// read, so a huge buffer size never costs a huge allocation for a short value.
constexpr std::uint32_t kLargestPrefixRead = 65536;

HeapText CopyOf(const char* text) {
    if (text == nullptr) text = "";
    std::size_t length = std::strlen(text);
    HeapText copy = NewText(length + 1);
    std::memcpy(copy.get(), text, length + 1);
    return copy;
}

}  // namespace

ProfileFile::ProfileFile(const char* path) { SetPath(path); }

void ProfileFile::SetPath(const char* path) {
    if (path != nullptr)
        path_ = CopyOf(path);
    else if (path_)
        path_[0] = '\0';
}

// Without a path the platform would fall back to a system file (win.ini on Windows), so
// the object then reads defaults and writes nothing.
const char* ProfileFile::FileName() const {
    return (path_ && path_[0] != '\0') ? path_.get() : nullptr;
}

std::uint32_t ProfileFile::GetPath(char* buffer, std::uint32_t size) const {
    const char* path = path_ ? path_.get() : "";
    if (buffer == nullptr) return static_cast<std::uint32_t>(std::strlen(path));
    if (size == 0) return 0;
    buffer[0] = '\0';
    platform::MbsBoundedCopy(buffer, path, size);
    // The copy is unterminated when the path fills the buffer; never read past it.
    const void* end = std::memchr(buffer, '\0', size);
    return end ? static_cast<std::uint32_t>(static_cast<const char*>(end) - buffer) : size;
}

HeapText ProfileFile::ReadValue(const char* section, const char* key,
                                const char* defaultText) const {
    if (section == nullptr || key == nullptr || FileName() == nullptr) return CopyOf(defaultText);
    const char* fallback = defaultText ? defaultText : "";
    std::uint32_t size = kFirstReadSize;
    while (true) {
        HeapText buffer = NewText(size + 1);
        std::uint32_t count =
            platform::ReadProfileString(section, key, fallback, buffer.get(), size, FileName());
        // A value of size - 1 bytes cannot be told from a cut one, so ask again with more
        // room. Doubling keeps a long value's cost linear in its length.
        if (count + 1 < size || size > UINT32_MAX / 2) return buffer;
        size *= 2;
    }
}

std::uint32_t ProfileFile::ReadString(const char* section, const char* key, char* buffer,
                                      std::uint32_t size, const char* defaultText) const {
    if (buffer && size > 0) buffer[0] = '\0';
    if (buffer == nullptr || size > kLargestPrefixRead) {
        HeapText value = ReadValue(section, key, defaultText);
        std::uint32_t length = static_cast<std::uint32_t>(std::strlen(value.get()));
        if (buffer) platform::MbsBoundedCopy(buffer, value.get(), size);
        return buffer && length > size ? size : length;
    }
    // Only the first size + 1 bytes can matter (the extra one shows a double-byte character
    // cut at the end), so a long value is never read whole.
    HeapText start;
    if (section == nullptr || key == nullptr || FileName() == nullptr) {
        start = CopyOf(defaultText);
    } else {
        start = NewText(static_cast<std::size_t>(size) + 2);
        platform::ReadProfileString(section, key, defaultText ? defaultText : "", start.get(),
                                    size + 2, FileName());
    }
    std::uint32_t length = static_cast<std::uint32_t>(strnlen(start.get(), size + 1));
    platform::MbsBoundedCopy(buffer, start.get(), size);
    return length > size ? size : length;
}

std::int32_t ProfileFile::WriteString(const char* section, const char* key,
                                      const char* value) const {
    if (section == nullptr || key == nullptr || FileName() == nullptr) return 0;
    return platform::StoreProfileString(section, key, value ? value : "", FileName());
}

void ProfileFile::ReadShort(const char* section, const char* key, char (&buffer)[65]) const {
    std::memset(buffer, 0, sizeof buffer);
    ReadString(section, key, buffer, 64, nullptr);
}

std::uint32_t ProfileFile::ReadUInt(const char* section, const char* key,
                                    std::uint32_t defaultValue, std::int32_t base) const {
    char buffer[65];
    ReadShort(section, key, buffer);
    if (buffer[0] == '\0') return defaultValue;
    return ParseUInt32(buffer, base);
}

std::int32_t ProfileFile::ReadInt(const char* section, const char* key, std::int32_t defaultValue,
                                  std::int32_t base) const {
    return static_cast<std::int32_t>(
        ReadUInt(section, key, static_cast<std::uint32_t>(defaultValue), base));
}

std::int32_t ProfileFile::WriteInt(const char* section, const char* key, std::int32_t value,
                                   std::int32_t base) const {
    char buffer[65] = {};
    FormatInt(value, buffer, base);
    return WriteString(section, key, buffer);
}

std::int32_t ProfileFile::WriteUInt(const char* section, const char* key, std::uint32_t value,
                                    std::int32_t base) const {
    char buffer[65] = {};
    FormatUInt(value, buffer, base);
    return WriteString(section, key, buffer);
}

std::int32_t ProfileFile::AddInt(const char* section, const char* key, std::int32_t delta,
                                 std::int32_t base) const {
    std::uint32_t sum = static_cast<std::uint32_t>(ReadInt(section, key, 0, base)) +
                        static_cast<std::uint32_t>(delta);
    return WriteInt(section, key, static_cast<std::int32_t>(sum), base);
}

std::int32_t ProfileFile::AddUInt(const char* section, const char* key, std::uint32_t delta,
                                  std::int32_t base) const {
    return WriteUInt(section, key, ReadUInt(section, key, 0, base) + delta, base);
}
