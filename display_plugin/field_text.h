// Small text helpers shared by the display fields. Every output is NUL-terminated within
// its size; sources are read no further than the width given.
#pragma once

#include <cstddef>
#include <string_view>

namespace vistune {

// Size of the static answer buffers the display host reads.
inline constexpr std::size_t kAnswerSize = 1024;

// Longer than any field's name.
inline constexpr std::size_t kLongFieldName = 32;

// The name the host asked for, read no further than kLongFieldName bytes, so that a name too
// long for any field is told without reading all of it; empty for null.
std::string_view AskedFieldName(const char* name);

// True when the names are equal, folding only the letters A to Z.
bool SameFieldName(std::string_view name, std::string_view fieldName);

// Copies a block text field of `width` bytes; its last byte always counts as the terminator,
// since the TV host may leave a field unterminated.
void CopyField(char* out, std::size_t outSize, const char* field, std::size_t width);

// As CopyField, with the Polish letters of Windows-1250 replaced by plain Latin ones. It may
// read past the terminator, up to the field's width, so `width` must be the whole field's.
void TransliterateField(char* out, std::size_t outSize, const char* field, std::size_t width);

}  // namespace vistune
