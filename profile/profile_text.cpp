#include "profile/profile_text.h"

#include <climits>
#include <cstdio>
#include <cstring>

#include "platform/multibyte.h"

namespace {

bool IsTrimmed(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
bool IsStrtolSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

int DigitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'z') return c - 'a' + 10;
    if (c >= 'A' && c <= 'Z') return c - 'A' + 10;
    return 99;
}

// strtol in base 10 confined to 32 bits: out-of-range magnitudes saturate.
long long ParseInt32(const char* text) {
    while (IsStrtolSpace(*text)) ++text;
    bool negative = *text == '-';
    if (*text == '-' || *text == '+') ++text;
    long long value = 0;
    for (; *text >= '0' && *text <= '9'; ++text)
        if (value <= INT_MAX) value = value * 10 + (*text - '0');
    if (negative) value = -value;
    if (value > INT_MAX) return INT_MAX;
    if (value < INT_MIN) return INT_MIN;
    return value;
}

std::size_t ListEntryLength(const char* entry) { return std::strlen(entry); }

}  // namespace

HeapText NewText(std::size_t size) { return HeapText(static_cast<char*>(std::malloc(size))); }

std::int32_t NormalizeBase(std::int32_t base) {
    return (base == 2 || base == 8 || base == 16) ? base : 10;
}

void FormatInt(std::int32_t value, char* buffer, std::int32_t base) {
    if (NormalizeBase(base) != 10)
        FormatUInt(static_cast<std::uint32_t>(value), buffer, base);
    else
        std::snprintf(buffer, 65, "%d", static_cast<int>(value));
}

void FormatUInt(std::uint32_t value, char* buffer, std::int32_t base) {
    switch (NormalizeBase(base)) {
        case 2: FormatBinary(value, buffer, 64); break;
        case 8: std::snprintf(buffer, 65, "%o", static_cast<unsigned>(value)); break;
        case 16: std::snprintf(buffer, 65, "%X", static_cast<unsigned>(value)); break;
        default: std::snprintf(buffer, 65, "%u", static_cast<unsigned>(value)); break;
    }
}

void FormatBinary(std::uint32_t value, char* buffer, std::uint32_t maxDigits) {
    if (maxDigits == 0) return;
    std::uint32_t digits = 0;
    do {
        buffer[digits++] = static_cast<char>('0' + (value & 1));
        value >>= 1;
    } while (value != 0 && digits < maxDigits);
    buffer[digits] = '\0';
    platform::MbsReverse(buffer);
}

std::uint32_t ParseUInt32(const char* text, std::int32_t base) {
    base = NormalizeBase(base);
    while (IsStrtolSpace(*text)) ++text;
    bool negative = *text == '-';
    if (*text == '-' || *text == '+') ++text;
    if (base == 16 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X') &&
        DigitValue(text[2]) < 16)
        text += 2;
    unsigned long long magnitude = 0;
    for (; DigitValue(*text) < base; ++text) {
        magnitude = magnitude * base + DigitValue(*text);
        if (magnitude > UINT32_MAX) return UINT32_MAX;  // the sign is then not applied
    }
    std::uint32_t value = static_cast<std::uint32_t>(magnitude);
    return negative ? 0u - value : value;
}

std::int32_t ParseBool(const char* text, std::int32_t defaultValue) {
    if (text == nullptr || *text == '\0') return defaultValue;
    if (platform::MbsCompareNoCase(text, "true") == 0 || platform::MbsCompareNoCase(text, "yes") == 0)
        return 1;
    return ParseInt32(text) != 0 ? 1 : 0;
}

std::int32_t TrimText(char* text) {
    if (text == nullptr) return 0;
    std::size_t length = std::strlen(text);
    std::size_t end = length;
    while (end > 0 && IsTrimmed(text[end - 1])) --end;
    text[end] = '\0';
    std::size_t start = 0;
    while (IsTrimmed(text[start])) ++start;
    if (start > 0) std::memmove(text, text + start, end - start + 1);
    return (start > 0 || end < length) ? 1 : 0;
}

HeapText CopySpan(const char* start, const char* end) {
    std::size_t length = static_cast<std::size_t>(end - start);
    HeapText copy = NewText(length + 1);
    platform::MbsBoundedCopy(copy.get(), start, length);
    copy[length] = '\0';
    return copy;
}

std::uint32_t SplitText(const char* source, char* target, std::uint32_t size,
                        const char* delimiter, std::int32_t trim) {
    if (source == nullptr || target == nullptr || size == 0) return 0;
    target[0] = '\0';
    if (*source == '\0') return 0;
    if (delimiter != nullptr && *delimiter == '\0') {
        platform::MbsBoundedCopy(target, source, size - 1);
        target[size - 1] = '\0';
        return static_cast<std::uint32_t>(std::strlen(target));
    }
    const char* separator = delimiter ? delimiter : ",";
    std::size_t separatorLength = std::strlen(separator);
    std::uint32_t used = 0;
    const char* piece = source;
    while (true) {
        const char* found = platform::MbsFind(piece, separator);
        const char* end = found ? found : piece + std::strlen(piece);
        HeapText text = CopySpan(piece, end);
        if (trim) TrimText(text.get());
        std::size_t length = std::strlen(text.get());
        if (length > 0) {
            // The piece, its zero and the list's final zero must all stay below `size`.
            if (used + length + 1 > size - 1) break;
            std::memcpy(target + used, text.get(), length + 1);
            used += static_cast<std::uint32_t>(length + 1);
        }
        if (!found) break;
        piece = found + separatorLength;
    }
    target[used] = '\0';
    return used;
}

std::int32_t WalkList(const char* list, ListCallback callback, void* user) {
    if (list == nullptr || callback == nullptr) return 0;
    for (const char* entry = list; *entry != '\0'; entry += ListEntryLength(entry) + 1)
        if (callback(entry, user) == 0) return 0;
    return 1;
}

std::int32_t MatchName(const char* entry, void* name) {
    return platform::MbsCompareNoCase(entry, static_cast<const char*>(name)) == 0 ? 0 : 1;
}

std::int32_t CollectKeyName(const char* entry, void* user) {
    auto* cursor = static_cast<KeyListCursor*>(user);
    if (entry == nullptr || cursor == nullptr) return 0;
    const char* equals = platform::MbsFindChar(entry, '=');
    if (equals == nullptr || equals == entry) return 1;
    HeapText name = CopySpan(entry, equals);
    TrimText(name.get());
    std::uint32_t length = static_cast<std::uint32_t>(std::strlen(name.get()));
    if (cursor->position) {
        if (length + 2 > cursor->room) {
            cursor->room = 0;  // no room: this name and every later one are left out
            return 1;
        }
        std::memcpy(cursor->position, name.get(), length + 1);
        cursor->position += length + 1;
        cursor->room -= length + 1;
    }
    cursor->total += length + 1;
    return 1;
}
