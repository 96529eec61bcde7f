#include "hosts/common/block_fields.h"

#include <cctype>
#include <cstdint>
#include <cstring>

#include "hosts/common/cp1250.h"
#include "hosts/common/decimal_number.h"

namespace {

constexpr long long kYesNo[] = {0, 1};
constexpr long long kServiceKinds[] = {kServiceTv, kServiceRadio, kServiceOther};
constexpr long long kPlayStates[] = {kPlayStopped, kPlayPlaying, kPlayPaused};

constexpr BlockField Number(const char* name, std::size_t offset, FieldKind kind, long long low,
                            long long high) {
    std::size_t width = kind == FieldKind::kUnsigned32 || kind == FieldKind::kSigned32 ? 4 : 1;
    return {name, offset, kind, width, low, high};
}

constexpr BlockField Coded(const char* name, std::size_t offset, FieldKind kind,
                           std::span<const long long> codes, const char* meaning) {
    BlockField field = Number(name, offset, kind, codes.front(), codes.back());
    field.codes = codes;
    field.meaning = meaning;
    return field;
}

constexpr BlockField Text(const char* name, std::size_t offset, std::size_t width) {
    return {name, offset, FieldKind::kText, width};
}

// Sizes and the channel number take any value of their type, so a reader's handling of
// odd ones can still be tried; the rest hold only what the host ever writes.
constexpr BlockField kFields[] = {
    Number("blockSize", offsetof(StatusBlock, blockSize), FieldKind::kUnsigned32, 0, UINT32_MAX),
    Coded("isRunning", offsetof(StatusBlock, isRunning), FieldKind::kSigned8, kYesNo,
          "1 running, 0 not"),
    Number("signal.recordSize", offsetof(StatusBlock, signal.recordSize), FieldKind::kUnsigned32, 0,
           UINT32_MAX),
    Number("signal.quality", offsetof(StatusBlock, signal.quality), FieldKind::kSigned32, 0, 100),
    Number("signal.level", offsetof(StatusBlock, signal.level), FieldKind::kSigned32, 0, 100),
    Number("player.recordSize", offsetof(StatusBlock, player.recordSize), FieldKind::kUnsigned32, 0,
           UINT32_MAX),
    Coded("player.serviceKind", offsetof(StatusBlock, player.serviceKind), FieldKind::kSigned8,
          kServiceKinds, "0 TV, 1 radio, 2 other"),
    Text("player.serviceLabel", offsetof(StatusBlock, player.serviceLabel), 32),
    Text("player.providerLabel", offsetof(StatusBlock, player.providerLabel), 32),
    Text("player.caption", offsetof(StatusBlock, player.caption), 160),
    Text("player.eventText", offsetof(StatusBlock, player.eventText), 1024),
    Number("player.channelNumber", offsetof(StatusBlock, player.channelNumber),
           FieldKind::kSigned32, INT32_MIN, INT32_MAX),
    Coded("player.playingFile", offsetof(StatusBlock, player.playingFile), FieldKind::kUnsigned8,
          kYesNo, "1 a file plays, 0 live"),
    Coded("player.recording", offsetof(StatusBlock, player.recording), FieldKind::kUnsigned8,
          kYesNo, "1 recording, 0 not"),
    Coded("player.playState", offsetof(StatusBlock, player.playState), FieldKind::kSigned8,
          kPlayStates, "0 stopped, 2 playing, 3 paused"),
    Coded("player.muted", offsetof(StatusBlock, player.muted), FieldKind::kSigned32, kYesNo,
          "1 muted, 0 not"),
    Number("player.volume", offsetof(StatusBlock, player.volume), FieldKind::kSigned32, 0, 100),
    Text("player.filePath", offsetof(StatusBlock, player.filePath), 1024),
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
    if (!Utf8ToCp1250(value, &bytes, error)) {
        *error = std::string(field.name) + ": " + *error;
        return false;
    }
    if (bytes.size() > field.width - 1) {
        *error = std::string(field.name) + " holds at most " + std::to_string(field.width - 1) +
                 " bytes; the value has " + std::to_string(bytes.size());
        return false;
    }
    std::memset(at, 0, field.width);
    std::memcpy(at, bytes.data(), bytes.size());
    return true;
}

bool Allowed(const BlockField& field, long long number) {
    if (field.codes.empty()) return number >= field.low && number <= field.high;
    for (long long code : field.codes)
        if (code == number) return true;
    return false;
}

bool WriteNumber(unsigned char* at, const BlockField& field, std::string_view value,
                 std::string* error) {
    long long number = 0;
    bool parsed = ParseWholeNumber(value, &number);
    if (parsed && Allowed(field, number)) {
        StoreNumber(at, field.kind, number);
        return true;
    }
    std::string range = " (" + DescribeBlockField(field) + ")";
    if (parsed)
        *error = "\"" + std::string(value) + "\" is not a value of " + field.name + range;
    else
        *error = std::string(field.name) + " takes a whole number" + range + ", not \"" +
                 std::string(value) + "\"";
    return false;
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

std::string DescribeBlockField(const BlockField& field) {
    if (field.kind == FieldKind::kText)
        return "text, at most " + std::to_string(field.width - 1) + " bytes of Windows-1250";
    if (field.meaning) return field.meaning;
    return std::to_string(field.low) + " to " + std::to_string(field.high);
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
