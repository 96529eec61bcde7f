#include "display_plugin/field_text.h"

#include <array>
#include <cstdio>
#include <cstring>

namespace vistune {
namespace {

// Windows-1250 letters and their replacements, pair by pair. The list holds ś and Ś twice;
// the later pair wins, with the same letter.
constexpr char kPolishLetters[] = "\xB9\xA5\xEA\xCA\xE6\xC6\x9C\x8C\xF3\xD3\xB3\xA3\xF1\xD1\x9C\x8C\xBF\xAF\x9F\x8F";
constexpr char kLatinLetters[] = "aAeEcCsSoOlLnNsSzZzZ";
static_assert(sizeof kPolishLetters == sizeof kLatinLetters);

constexpr std::array<char, 256> MakeTransliterationTable() {
    std::array<char, 256> table{};
    for (int byte = 0; byte < 256; ++byte) table[byte] = static_cast<char>(byte);
    for (std::size_t pair = 0; pair + 1 < sizeof kPolishLetters; ++pair)
        table[static_cast<unsigned char>(kPolishLetters[pair])] = kLatinLetters[pair];
    return table;
}

constexpr std::array<char, 256> kTransliteration = MakeTransliterationTable();

char FoldAsciiCase(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; }

std::size_t BoundedLength(const char* field, std::size_t width, std::size_t outSize) {
    std::size_t limit = width - 1 < outSize - 1 ? width - 1 : outSize - 1;
    const void* end = std::memchr(field, '\0', limit);
    return end ? static_cast<std::size_t>(static_cast<const char*>(end) - field) : limit;
}

}  // namespace

bool SameFieldName(const char* name, const char* fieldName) {
    if (name == nullptr) return false;
    for (; *name && *fieldName; ++name, ++fieldName)
        if (FoldAsciiCase(*name) != FoldAsciiCase(*fieldName)) return false;
    return *name == *fieldName;
}

void CopyField(char* out, std::size_t outSize, const char* field, std::size_t width) {
    std::size_t length = BoundedLength(field, width, outSize);
    std::memcpy(out, field, length);
    out[length] = '\0';
}

void TransliterateField(char* out, std::size_t outSize, const char* field, std::size_t width) {
    std::size_t length = BoundedLength(field, width, outSize);
    for (std::size_t i = 0; i < length; ++i)
        out[i] = kTransliteration[static_cast<unsigned char>(field[i])];
    out[length] = '\0';
}

void FormatDecimal(char* out, std::size_t outSize, long value) {
    std::snprintf(out, outSize, "%ld", value);
}

}  // namespace vistune
