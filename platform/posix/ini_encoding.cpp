#include "platform/posix/ini_encoding.h"

#include <iconv.h>

#include <array>
#include <memory>
#include <mutex>
#include <unordered_map>

#include "platform/multibyte.h"

namespace ini {
namespace {

constexpr char32_t kNone = 0xFFFFFFFF;

// The base letters of U+00C0 to U+017F ("." where there is none): the nearest letter that
// Windows' best-fit conversion gives for an accented Latin letter a code page lacks.
constexpr std::string_view kBaseLetters =
    "AAAAAAACEEEEIIII" "DNOOOOO.OUUUUY.." "aaaaaaaceeeeiiii" "dnooooo.ouuuuy.y"
    "AaAaAaCcCcCcCcDd" "DdEeEeEeEeEeGgGg" "GgGgHhHhIiIiIiIi" "Ii..JjKkkLlLlLlL"
    "lLlNnNnNnnNnOoOo" "OoOoRrRrRrSsSsSs" "SsTtTtTtUuUuUuUu" "UuUuWwYyYZzZzZzs";
constexpr char32_t kFirstAccented = 0xC0;

// Both directions of one code page, built once from the system's converter.
struct CodePageTable {
    int codePage = 0;
    std::array<char32_t, 256> single{};
    std::unordered_map<unsigned, char32_t> pairs;  // lead byte << 8 | trail byte
    std::unordered_map<char32_t, std::string> bytes;
};

char32_t DecodeWith(iconv_t converter, const char* text, std::size_t length) {
    char32_t out[2] = {};
    char* in = const_cast<char*>(text);
    char* outPtr = reinterpret_cast<char*>(out);
    std::size_t inLeft = length, outLeft = sizeof out;
    iconv(converter, nullptr, nullptr, nullptr, nullptr);
    if (iconv(converter, &in, &inLeft, &outPtr, &outLeft) == static_cast<std::size_t>(-1) ||
        inLeft != 0 || outLeft != sizeof out - sizeof(char32_t))
        return kNone;
    return out[0];
}

std::shared_ptr<const CodePageTable> BuildTable(int codePage) {
    auto table = std::make_shared<CodePageTable>();
    table->codePage = codePage;
    iconv_t converter = iconv_open("UTF-32LE", ("CP" + std::to_string(codePage)).c_str());
    for (unsigned byte = 0; byte < 256; ++byte) {
        const char text[1] = {static_cast<char>(byte)};
        char32_t character = converter == reinterpret_cast<iconv_t>(-1) || platform::IsLeadByte(byte)
                                 ? kNone
                                 : DecodeWith(converter, text, 1);
        // A byte the code page leaves unassigned stands for the character with its number,
        // as Windows maps them, so it survives the way through UTF-8 and back.
        table->single[byte] = character == kNone ? byte : character;
        if (!platform::IsLeadByte(byte) || converter == reinterpret_cast<iconv_t>(-1)) continue;
        for (unsigned trail = 0x40; trail < 256; ++trail) {
            const char pair[2] = {static_cast<char>(byte), static_cast<char>(trail)};
            char32_t paired = DecodeWith(converter, pair, 2);
            if (paired != kNone) table->pairs.emplace(byte << 8 | trail, paired);
        }
    }
    if (converter != reinterpret_cast<iconv_t>(-1)) iconv_close(converter);
    for (unsigned byte = 0; byte < 256; ++byte)
        table->bytes.emplace(table->single[byte], std::string(1, static_cast<char>(byte)));
    for (const auto& [code, character] : table->pairs)
        table->bytes.emplace(character, std::string{static_cast<char>(code >> 8), static_cast<char>(code)});
    return table;
}

std::shared_ptr<const CodePageTable> ActiveTable() {
    static std::mutex mutex;
    static std::shared_ptr<const CodePageTable> table;
    std::lock_guard<std::mutex> guard(mutex);
    if (!table || table->codePage != platform::ActiveCodePage())
        table = BuildTable(platform::ActiveCodePage());
    return table;
}

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out.push_back(static_cast<char>(0xC0 | c >> 6));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | c >> 12));
        out.push_back(static_cast<char>(0x80 | (c >> 6 & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | c >> 18));
        out.push_back(static_cast<char>(0x80 | (c >> 12 & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c >> 6 & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

// The character starting at `at` and its length in bytes; length 0 for a broken sequence.
// Surrogates in three bytes are accepted, as Utf8FromUtf16 writes them.
std::pair<char32_t, std::size_t> DecodeUtf8(std::string_view text, std::size_t at) {
    auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    unsigned char first = byte(at);
    if (first < 0x80) return {first, 1};
    std::size_t length = first >= 0xF0 ? 4 : first >= 0xE0 ? 3 : first >= 0xC0 ? 2 : 0;
    if (length == 0 || first > 0xF4 || at + length > text.size()) return {0, 0};
    char32_t c = first & (0x7F >> length);
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(at + i) & 0xC0) != 0x80) return {0, 0};
        c = c << 6 | (byte(at + i) & 0x3F);
    }
    constexpr char32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (c < kSmallest[length] || c > 0x10FFFF) return {0, 0};
    return {c, length};
}

}  // namespace

std::string Utf8FromCodePage(std::string_view text) {
    auto table = ActiveTable();
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        auto byte = static_cast<unsigned char>(text[i]);
        if (byte < 0x80) {
            out.push_back(text[i]);
            continue;
        }
        if (platform::IsLeadByte(byte) && i + 1 < text.size()) {
            auto pair = table->pairs.find(byte << 8 | static_cast<unsigned char>(text[i + 1]));
            if (pair != table->pairs.end()) {
                AppendUtf8(out, pair->second);
                ++i;
                continue;
            }
        }
        AppendUtf8(out, table->single[byte]);
    }
    return out;
}

std::string CodePageFromUtf8(std::string_view text) {
    auto table = ActiveTable();
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        auto [character, length] = DecodeUtf8(text, i);
        if (length == 0) {
            out.push_back('?');
            ++i;
            continue;
        }
        i += length;
        if (character < 0x80) {
            out.push_back(static_cast<char>(character));
            continue;
        }
        auto found = table->bytes.find(character);
        if (found != table->bytes.end()) {
            out += found->second;
            continue;
        }
        char base = character >= kFirstAccented && character - kFirstAccented < kBaseLetters.size()
                        ? kBaseLetters[character - kFirstAccented]
                        : '.';
        out.push_back(base == '.' ? '?' : base);
    }
    return out;
}

std::string Utf8FromUtf16(std::string_view bytes, bool bigEndian) {
    auto unit = [&](std::size_t i) -> char32_t {
        auto first = static_cast<unsigned char>(bytes[2 * i]);
        auto second = static_cast<unsigned char>(bytes[2 * i + 1]);
        return bigEndian ? (first << 8 | second) : (second << 8 | first);
    };
    std::size_t units = bytes.size() / 2;
    std::string out;
    out.reserve(bytes.size());
    for (std::size_t i = 0; i < units; ++i) {
        char32_t c = unit(i);
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < units && unit(i + 1) >= 0xDC00 &&
            unit(i + 1) <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (unit(i + 1) - 0xDC00);
            ++i;
        }
        AppendUtf8(out, c);
    }
    return out;
}

std::string Utf16FromUtf8(std::string_view text, bool bigEndian) {
    std::string out;
    out.reserve(text.size() * 2);
    auto put = [&](char32_t unit) {
        char high = static_cast<char>(unit >> 8), low = static_cast<char>(unit & 0xFF);
        out.push_back(bigEndian ? high : low);
        out.push_back(bigEndian ? low : high);
    };
    for (std::size_t i = 0; i < text.size();) {
        auto [character, length] = DecodeUtf8(text, i);
        if (length == 0) {
            character = 0xFFFD;
            length = 1;
        }
        i += length;
        if (character >= 0x10000) {
            put(0xD800 + ((character - 0x10000) >> 10));
            put(0xDC00 + ((character - 0x10000) & 0x3FF));
        } else {
            put(character);
        }
    }
    return out;
}

}  // namespace ini
