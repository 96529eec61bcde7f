// Typed values of ProfileFile built on its strings: booleans, doubles, characters, hex data
// and lists.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "profile/profile_file.h"

namespace {

constexpr std::size_t kNumberText = 65;
// "%.*f" with this many decimals or more cannot fit in 64 characters.
constexpr std::int32_t kLongestPrecision = 62;

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

HeapText HexText(const void* data, std::uint32_t length) {
    static const char kDigits[] = "0123456789ABCDEF";
    const auto* bytes = static_cast<const unsigned char*>(data);
    HeapText text = NewText(2 * static_cast<std::size_t>(length) + 1);
    for (std::uint32_t i = 0; i < length; ++i) {
        text[2 * i] = kDigits[bytes[i] >> 4];
        text[2 * i + 1] = kDigits[bytes[i] & 15];
    }
    text[2 * static_cast<std::size_t>(length)] = '\0';
    return text;
}

template <typename Record>
Record ReadRecord(const ProfileFile& file, const char* section, const char* key,
                  Record defaultValue) {
    Record record;
    if (file.ReadBlock(section, key, &record, sizeof record, 0) != sizeof record)
        return defaultValue;
    return record;
}

}  // namespace

std::int32_t ProfileFile::AppendString(const char* section, const char* key,
                                       const char* value) const {
    if (value == nullptr) return 0;
    HeapText current = ReadValue(section, key, nullptr);
    std::size_t currentLength = std::strlen(current.get());
    std::size_t valueLength = std::strlen(value);
    HeapText combined = NewText(currentLength + valueLength + 1);
    std::memcpy(combined.get(), current.get(), currentLength);
    std::memcpy(combined.get() + currentLength, value, valueLength + 1);
    return WriteString(section, key, combined.get());
}

std::uint32_t ProfileFile::ReadList(const char* section, const char* key, char* buffer,
                                    std::uint32_t size, const char* delimiter,
                                    std::int32_t trim) const {
    if (buffer && size > 0) buffer[0] = '\0';
    if (section == nullptr || key == nullptr) return 0;
    HeapText value = ReadValue(section, key, nullptr);
    std::uint32_t length = static_cast<std::uint32_t>(std::strlen(value.get()));
    if (length == 0) return 0;
    if (buffer) return SplitText(value.get(), buffer, size, delimiter, trim);
    HeapText scratch = NewText(length + 3);
    return SplitText(value.get(), scratch.get(), length + 2, delimiter, trim);
}

std::int32_t ProfileFile::ReadBool(const char* section, const char* key,
                                   std::int32_t defaultValue) const {
    char buffer[kNumberText];
    ReadShort(section, key, buffer);
    return ParseBool(buffer, defaultValue);
}

std::int32_t ProfileFile::WriteBool(const char* section, const char* key, std::int32_t flag) const {
    return WriteInt(section, key, flag != 0 ? 1 : 0, 10);
}

std::int32_t ProfileFile::ToggleBool(const char* section, const char* key) const {
    return WriteBool(section, key, ReadBool(section, key, 0) == 0 ? 1 : 0);
}

double ProfileFile::ReadDouble(const char* section, const char* key, double defaultValue) const {
    char buffer[kNumberText];
    ReadShort(section, key, buffer);
    if (buffer[0] == '\0') return defaultValue;
    return std::strtod(buffer, nullptr);
}

// A fixed-point text longer than the 64 characters a read takes would come back as another
// number, so such values are stored with 17 significant digits, which read back exactly.
std::int32_t ProfileFile::WriteDouble(const char* section, const char* key, double value,
                                      std::int32_t precision) const {
    char buffer[kNumberText] = {};
    int decimals = precision > 0 ? precision : 6;
    int length = decimals < kLongestPrecision
                     ? std::snprintf(buffer, sizeof buffer, "%.*f", decimals, value)
                     : static_cast<int>(sizeof buffer);
    if (length < 0 || length >= static_cast<int>(sizeof buffer))
        std::snprintf(buffer, sizeof buffer, "%.17g", value);
    return WriteString(section, key, buffer);
}

std::int32_t ProfileFile::AddDouble(const char* section, const char* key, double delta,
                                    std::int32_t precision) const {
    return WriteDouble(section, key, ReadDouble(section, key, 0.0) + delta, precision);
}

char ProfileFile::ReadChar(const char* section, const char* key, char defaultValue) const {
    char buffer[2] = {};
    ReadString(section, key, buffer, 1, nullptr);
    return buffer[0] == '\0' ? defaultValue : buffer[0];
}

std::int32_t ProfileFile::WriteChar(const char* section, const char* key, char character) const {
    const char text[2] = {character, '\0'};
    return WriteString(section, key, text);
}

std::uint32_t ProfileFile::ReadBlock(const char* section, const char* key, void* buffer,
                                     std::uint32_t size, std::uint32_t offset) const {
    HeapText value = ReadValue(section, key, nullptr);
    std::size_t digits = std::strlen(value.get());
    std::uint32_t count = static_cast<std::uint32_t>(digits / 2);
    if (count <= offset) return 0;
    for (std::size_t i = 0; i < digits; ++i)
        if (HexDigit(value[i]) < 0) return 0;
    if (buffer == nullptr) return count - offset;
    std::uint32_t n = count - offset < size ? count - offset : size;
    auto* bytes = static_cast<unsigned char*>(buffer);
    for (std::uint32_t i = 0; i < n; ++i) {
        std::size_t at = 2 * (static_cast<std::size_t>(offset) + i);
        bytes[i] = static_cast<unsigned char>(HexDigit(value[at]) * 16 + HexDigit(value[at + 1]));
    }
    return n;
}

std::int32_t ProfileFile::WriteBlock(const char* section, const char* key, const void* data,
                                     std::uint32_t length) const {
    if (data == nullptr) return 0;
    return WriteString(section, key, HexText(data, length).get());
}

std::int32_t ProfileFile::AppendBlock(const char* section, const char* key, const void* data,
                                      std::uint32_t length) const {
    if (data == nullptr) return 0;
    return AppendString(section, key, HexText(data, length).get());
}

Block8 ProfileFile::ReadBlock8(const char* section, const char* key, Block8 defaultValue) const {
    return ReadRecord(*this, section, key, defaultValue);
}

Block16 ProfileFile::ReadBlock16(const char* section, const char* key,
                                 Block16 defaultValue) const {
    return ReadRecord(*this, section, key, defaultValue);
}

std::int32_t ProfileFile::WriteBlock8(const char* section, const char* key, Block8 record) const {
    return WriteBlock(section, key, &record, sizeof record);
}

std::int32_t ProfileFile::WriteBlock16(const char* section, const char* key,
                                       Block16 record) const {
    return WriteBlock(section, key, &record, sizeof record);
}
