#include "hosts/common/cp1250.h"

#include <cstdint>

namespace {

// Unicode code points of the bytes 0x80 to 0xFF; 0 marks the five bytes Windows-1250 leaves
// undefined.
constexpr std::uint16_t kHighHalf[128] = {
    0x20AC, 0x0000, 0x201A, 0x0000, 0x201E, 0x2026, 0x2020, 0x2021,  // 80
    0x0000, 0x2030, 0x0160, 0x2039, 0x015A, 0x0164, 0x017D, 0x0179,  // 88
    0x0000, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90
    0x0000, 0x2122, 0x0161, 0x203A, 0x015B, 0x0165, 0x017E, 0x017A,  // 98
    0x00A0, 0x02C7, 0x02D8, 0x0141, 0x00A4, 0x0104, 0x00A6, 0x00A7,  // A0
    0x00A8, 0x00A9, 0x015E, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x017B,  // A8
    0x00B0, 0x00B1, 0x02DB, 0x0142, 0x00B4, 0x00B5, 0x00B6, 0x00B7,  // B0
    0x00B8, 0x0105, 0x015F, 0x00BB, 0x013D, 0x02DD, 0x013E, 0x017C,  // B8
    0x0154, 0x00C1, 0x00C2, 0x0102, 0x00C4, 0x0139, 0x0106, 0x00C7,  // C0
    0x010C, 0x00C9, 0x0118, 0x00CB, 0x011A, 0x00CD, 0x00CE, 0x010E,  // C8
    0x0110, 0x0143, 0x0147, 0x00D3, 0x00D4, 0x0150, 0x00D6, 0x00D7,  // D0
    0x0158, 0x016E, 0x00DA, 0x0170, 0x00DC, 0x00DD, 0x0162, 0x00DF,  // D8
    0x0155, 0x00E1, 0x00E2, 0x0103, 0x00E4, 0x013A, 0x0107, 0x00E7,  // E0
    0x010D, 0x00E9, 0x0119, 0x00EB, 0x011B, 0x00ED, 0x00EE, 0x010F,  // E8
    0x0111, 0x0144, 0x0148, 0x00F3, 0x00F4, 0x0151, 0x00F6, 0x00F7,  // F0
    0x0159, 0x016F, 0x00FA, 0x0171, 0x00FC, 0x00FD, 0x0163, 0x02D9,  // F8
};

constexpr char32_t kReplacement = 0xFFFD;

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// Decodes one UTF-8 character at `pos`, advancing it; kReplacement for a malformed one.
char32_t NextCodePoint(std::string_view text, std::size_t& pos) {
    unsigned char lead = static_cast<unsigned char>(text[pos++]);
    if (lead < 0x80) return lead;
    int extra = lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC0 ? 1 : -1;
    if (extra < 0 || pos + extra > text.size()) return kReplacement;
    char32_t c = lead & (0x3F >> extra);
    for (int i = 0; i < extra; ++i) {
        unsigned char next = static_cast<unsigned char>(text[pos]);
        if ((next & 0xC0) != 0x80) return kReplacement;
        c = (c << 6) | (next & 0x3F);
        ++pos;
    }
    return c;
}

bool EncodeCodePoint(char32_t c, char* byte) {
    if (c < 0x80) {
        *byte = static_cast<char>(c);
        return true;
    }
    for (int i = 0; i < 128; ++i) {
        if (kHighHalf[i] != 0 && kHighHalf[i] == c) {
            *byte = static_cast<char>(0x80 + i);
            return true;
        }
    }
    return false;
}

}  // namespace

std::string Cp1250ToUtf8(std::string_view text) {
    std::string out;
    for (char byte : text) {
        unsigned char b = static_cast<unsigned char>(byte);
        char32_t c = b < 0x80 ? b : kHighHalf[b - 0x80];
        AppendUtf8(out, c == 0 ? kReplacement : c);
    }
    return out;
}

bool Utf8ToCp1250(std::string_view text, std::string* out, std::string* error) {
    out->clear();
    for (std::size_t pos = 0; pos < text.size();) {
        std::size_t start = pos;
        char32_t c = NextCodePoint(text, pos);
        char byte = 0;
        if (c == kReplacement || !EncodeCodePoint(c, &byte)) {
            if (error) {
                error->assign("\"").append(text.substr(start, pos - start));
                error->append("\" has no Windows-1250 byte");
            }
            return false;
        }
        *out += byte;
    }
    return true;
}
