#include "display_plugin/field_text.h"

#include <array>
#include <cstdint>
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

// TransliterateField copies ASCII bytes without looking them up, and EPGNoTime finds the
// title's spaces and the terminator in the untransliterated text; both rely on this.
constexpr bool OnlyBytesAbove127BecomeAsciiLetters() {
    for (int byte = 0; byte < 256; ++byte) {
        char to = kTransliteration[byte];
        bool letter = (to >= 'a' && to <= 'z') || (to >= 'A' && to <= 'Z');
        if (to != static_cast<char>(byte) && (byte < 128 || !letter)) return false;
    }
    return true;
}
static_assert(OnlyBytesAbove127BecomeAsciiLetters());

constexpr std::uint64_t EveryByte(std::uint8_t value) { return 0x0101010101010101ull * value; }

// Zero when none of the eight bytes is 0 or above 127: the subtraction borrows only at a 0
// byte, and otherwise only a byte above 127 has its top bit set before or after it.
std::uint64_t NulOrNonAscii(std::uint64_t word) {
    return ((word - EveryByte(1)) | word) & EveryByte(0x80);
}

char FoldAsciiCase(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; }

std::size_t BoundedLength(const char* field, std::size_t width, std::size_t outSize) {
    std::size_t limit = width - 1 < outSize - 1 ? width - 1 : outSize - 1;
    const void* end = std::memchr(field, '\0', limit);
    return end ? static_cast<std::size_t>(static_cast<const char*>(end) - field) : limit;
}

}  // namespace

std::string_view AskedFieldName(const char* name) {
    if (name == nullptr) return {};
    // memchr stops at the first terminator, so a shorter name is not read past its end.
    const void* end = std::memchr(name, '\0', kLongFieldName);
    if (end == nullptr) return {name, kLongFieldName};
    return {name, static_cast<std::size_t>(static_cast<const char*>(end) - name)};
}

bool SameFieldName(std::string_view name, std::string_view fieldName) {
    if (name.size() != fieldName.size()) return false;
    for (std::size_t i = 0; i < name.size(); ++i)
        if (FoldAsciiCase(name[i]) != FoldAsciiCase(fieldName[i])) return false;
    return true;
}

void CopyField(char* out, std::size_t outSize, const char* field, std::size_t width) {
    std::size_t length = BoundedLength(field, width, outSize);
    std::memcpy(out, field, length);
    out[length] = '\0';
}

// One pass: eight plain ASCII bytes at a time, the others through the table, until the
// terminator or the bound.
void TransliterateField(char* out, std::size_t outSize, const char* field, std::size_t width) {
    std::size_t limit = width - 1 < outSize - 1 ? width - 1 : outSize - 1;
    std::size_t i = 0;
    while (i < limit) {
        std::uint64_t word;
        std::size_t end = limit - i < sizeof word ? limit : i + sizeof word;
        if (end - i == sizeof word) {
            std::memcpy(&word, field + i, sizeof word);
            if (NulOrNonAscii(word) == 0) {
                std::memcpy(out + i, &word, sizeof word);
                i = end;
                continue;
            }
        }
        // A terminator, a letter to replace or the field's last few bytes: byte by byte.
        for (; i < end; ++i) {
            if (field[i] == '\0') {
                out[i] = '\0';
                return;
            }
            out[i] = kTransliteration[static_cast<unsigned char>(field[i])];
        }
    }
    out[i] = '\0';
}

}  // namespace vistune
