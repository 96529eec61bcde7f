#include "hosts/common/block_fields.h"

#include <cctype>
#include <charconv>
#include <cstdint>
#include <cstring>

#include "hosts/common/cp1250.h"

namespace {

constexpr BlockField kFields[] = {
    {"blockSize", offsetof(StatusBlock, blockSize), FieldKind::kUnsigned32, 4},
    {"isRunning", offsetof(StatusBlock, isRunning), FieldKind::kSigned8, 1, "1 running, 0 not"},
    {"signal.recordSize", offsetof(StatusBlock, signal.recordSize), FieldKind::kUnsigned32, 4},
    {"signal.quality", offsetof(StatusBlock, signal.quality), FieldKind::kSigned32, 4},
    {"signal.level", offsetof(StatusBlock, signal.level), FieldKind::kSigned32, 4},
    {"player.recordSize", offsetof(StatusBlock, player.recordSize), FieldKind::kUnsigned32, 4},
    {"player.serviceKind", offsetof(StatusBlock, player.serviceKind), FieldKind::kSigned8, 1, "0 TV, 1 radio, 2 other"},
    {"player.serviceLabel", offsetof(StatusBlock, player.serviceLabel), FieldKind::kText, 32},
    {"player.providerLabel", offsetof(StatusBlock, player.providerLabel), FieldKind::kText, 32},
    {"player.caption", offsetof(StatusBlock, player.caption), FieldKind::kText, 160},
    {"player.eventText", offsetof(StatusBlock, player.eventText), FieldKind::kText, 1024},
    {"player.channelNumber", offsetof(StatusBlock, player.channelNumber), FieldKind::kSigned32, 4},
    {"player.playingFile", offsetof(StatusBlock, player.playingFile), FieldKind::kUnsigned8, 1,
     "1 a file plays, 0 live"},
    {"player.recording", offsetof(StatusBlock, player.recording), FieldKind::kUnsigned8, 1, "1 recording, 0 not"},
    {"player.playState", offsetof(StatusBlock, player.playState), FieldKind::kSigned8, 1,
     "0 stopped, 2 playing, 3 paused"},
    {"player.muted", offsetof(StatusBlock, player.muted), FieldKind::kSigned32, 4, "1 muted, 0 not"},
    {"player.volume", offsetof(StatusBlock, player.volume), FieldKind::kSigned32, 4},
    {"player.filePath", offsetof(StatusBlock, player.filePath), FieldKind::kText, 1024},
};

bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

std::string_view ShortName(std::string_view name) {
    std::size_t dot = name.find('.');
    return dot == std::string_view::npos ? name : name.substr(dot + 1);
}

struct Range {
    long long low;
    long long high;
    const char* description;
};

Range RangeOf(FieldKind kind) {
    switch (kind) {
        case FieldKind::kUnsigned32: return {0, UINT32_MAX, "unsigned 32-bit"};
        case FieldKind::kSigned32: return {INT32_MIN, INT32_MAX, "signed 32-bit"};
        case FieldKind::kSigned8: return {INT8_MIN, INT8_MAX, "signed 8-bit"};
        default: return {0, UINT8_MAX, "unsigned 8-bit"};
    }
}

long long ReadNumber(const unsigned char* at, FieldKind kind) {
    switch (kind) {
        case FieldKind::kUnsigned32: {
            std::uint32_t v;
            std::memcpy(&v, at, 4);
            return v;
        }
        case FieldKind::kSigned32: {
            std::int32_t v;
            std::memcpy(&v, at, 4);
            return v;
        }
        case FieldKind::kSigned8: return static_cast<std::int8_t>(*at);
        default: return *at;
    }
}

void StoreNumber(unsigned char* at, FieldKind kind, long long value) {
    if (kind == FieldKind::kUnsigned32 || kind == FieldKind::kSigned32) {
        std::uint32_t v = static_cast<std::uint32_t>(value);
        std::memcpy(at, &v, 4);
    } else {
        *at = static_cast<unsigned char>(value);
    }
}

std::string ReadText(const unsigned char* at, std::size_t width) {
    const char* text = reinterpret_cast<const char*>(at);
    const void* end = std::memchr(text, '\0', width);
    if (end) return Cp1250ToUtf8(std::string_view(text, static_cast<const char*>(end) - text));
    return Cp1250ToUtf8(std::string_view(text, width - 1)) + " (unterminated)";
}

bool WriteText(unsigned char* at, const BlockField& field, std::string_view value,
               std::string* error) {
    std::string bytes;
    if (!Utf8ToCp1250(value, &bytes, error)) return false;
    if (bytes.size() > field.width - 1) {
        *error = std::string(field.name) + " holds at most " + std::to_string(field.width - 1) +
                 " bytes; the value has " + std::to_string(bytes.size());
        return false;
    }
    std::memset(at, 0, field.width);
    std::memcpy(at, bytes.data(), bytes.size());
    return true;
}

bool WriteNumber(unsigned char* at, const BlockField& field, std::string_view value,
                 std::string* error) {
    long long number = 0;
    const char* first = value.data();
    const char* last = first + value.size();
    if (first != last && *first == '+') ++first;
    auto [end, status] = std::from_chars(first, last, number);
    Range range = RangeOf(field.kind);
    if (status != std::errc() || end != last || first == last) {
        *error = std::string(field.name) + " takes a whole number, not \"" + std::string(value) +
                 "\"";
        return false;
    }
    if (number < range.low || number > range.high) {
        *error = std::string(value) + " does not fit " + field.name + " (" + range.description +
                 ": " + std::to_string(range.low) + " to " + std::to_string(range.high) + ")";
        return false;
    }
    StoreNumber(at, field.kind, number);
    return true;
}

}  // namespace

std::span<const BlockField> BlockFields() { return kFields; }

const BlockField* FindBlockField(std::string_view name) {
    for (const BlockField& field : kFields)
        if (SameName(name, field.name)) return &field;
    const BlockField* found = nullptr;
    for (const BlockField& field : kFields) {
        if (!SameName(name, ShortName(field.name))) continue;
        if (found) return nullptr;
        found = &field;
    }
    return found;
}

std::vector<std::string> MatchingBlockFields(std::string_view name) {
    std::vector<std::string> names;
    for (const BlockField& field : kFields)
        if (SameName(name, field.name) || SameName(name, ShortName(field.name))) names.emplace_back(field.name);
    return names;
}

std::string ReadBlockField(const StatusBlock& block, const BlockField& field) {
    const unsigned char* at = reinterpret_cast<const unsigned char*>(&block) + field.offset;
    if (field.kind == FieldKind::kText) return ReadText(at, field.width);
    return std::to_string(ReadNumber(at, field.kind));
}

bool WriteBlockField(StatusBlock& block, const BlockField& field, std::string_view value,
                     std::string* error) {
    unsigned char* at = reinterpret_cast<unsigned char*>(&block) + field.offset;
    if (field.kind == FieldKind::kText) return WriteText(at, field, value, error);
    return WriteNumber(at, field, value, error);
}
