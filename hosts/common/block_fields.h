// Every field of the StatusBlock by name, for tools that show or edit the block by hand.
#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "status_block/status_block.h"

enum class FieldKind { kUnsigned32, kSigned32, kSigned8, kUnsigned8, kText };

struct BlockField {
    const char* name;  // "isRunning", "signal.level", "player.serviceLabel" ...
    std::size_t offset;
    FieldKind kind;
    std::size_t width;
    long long low = 0;   // the numbers the field is documented to hold: low to high,
    long long high = 0;  // and of those only `codes` when the field has any
    std::span<const long long> codes = {};
    const char* meaning = nullptr;  // what the numbers of a coded field stand for, or null
};

// All fields in block order.
std::span<const BlockField> BlockFields();

// The field named `name`, compared without regard to case; the part after "signal." or
// "player." alone will do where it names one field. Null when none or ambiguous.
const BlockField* FindBlockField(std::string_view name);

// The names of every field `name` could mean (full or short name, any case): none, one, or
// several when a short name is ambiguous ("recordSize").
std::vector<std::string> MatchingBlockFields(std::string_view name);

// The field's value as a person reads it: decimal, or the text decoded to UTF-8 (cut at the
// field's last byte, with " (unterminated)" after it when no terminator was found).
std::string ReadBlockField(const StatusBlock& block, const BlockField& field);

// What the field may hold, for a person: "0 to 100", "0 TV, 1 radio, 2 other", "text, at
// most 31 bytes".
std::string DescribeBlockField(const BlockField& field);

// Writes a decimal number, or UTF-8 text stored as Windows-1250. False, with `error` saying
// why, when the value is not a number, lies outside the field's documented range, does not
// fit, or has no Windows-1250 form; the field is then unchanged.
bool WriteBlockField(StatusBlock& block, const BlockField& field, std::string_view value,
                     std::string* error);
