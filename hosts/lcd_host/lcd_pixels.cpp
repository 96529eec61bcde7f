#include "hosts/lcd_host/lcd_pixels.h"

#include <array>
#include <cstdint>

#include "hosts/lcd_host/font5x8.h"

namespace {

constexpr int kCellWidth = 6;   // five dots and a gap
constexpr int kCellHeight = 9;  // eight dots and a gap
constexpr int kBorder = 2;

const std::array<std::uint8_t, 8>& DotsOf(const LcdScreen& screen, const LcdCell& cell, CharacterSet set) {
    return cell.slot != 0 ? screen.Custom(cell.slot) : GlyphDots(cell.code, set);
}

std::uint32_t Crc32(const std::string& bytes) {
    std::uint32_t crc = 0xFFFFFFFFu;
    for (unsigned char byte : bytes) {
        crc ^= byte;
        for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
    }
    return ~crc;
}

void PutBigEndian(std::string& out, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) out += static_cast<char>((value >> shift) & 0xFF);
}

void Chunk(std::string& png, const char* type, const std::string& data) {
    PutBigEndian(png, static_cast<std::uint32_t>(data.size()));
    std::string body = std::string(type, 4) + data;
    png += body;
    PutBigEndian(png, Crc32(body));
}

// zlib data made of stored (uncompressed) blocks: small code, and the pictures are small.
std::string StoredZlib(const std::string& raw) {
    std::string out = "\x78\x01";
    std::size_t position = 0;
    do {
        std::size_t length = raw.size() - position < 65535 ? raw.size() - position : 65535;
        bool last = position + length == raw.size();
        out += static_cast<char>(last ? 1 : 0);
        out += static_cast<char>(length & 0xFF);
        out += static_cast<char>(length >> 8);
        out += static_cast<char>(~length & 0xFF);
        out += static_cast<char>((~length >> 8) & 0xFF);
        out.append(raw, position, length);
        position += length;
    } while (position < raw.size());
    std::uint32_t a = 1, b = 0;
    for (unsigned char byte : raw) {
        a = (a + byte) % 65521;
        b = (b + a) % 65521;
    }
    PutBigEndian(out, (b << 16) | a);
    return out;
}

}  // namespace

LcdDots ScreenDots(const LcdScreen& screen, CharacterSet set) {
    LcdDots dots{screen.Width() * kCellWidth - 1 + 2 * kBorder, screen.Height() * kCellHeight - 1 + 2 * kBorder, {}};
    dots.lit.assign(static_cast<std::size_t>(dots.width * dots.height), false);
    for (int row = 0; row < screen.Height(); ++row) {
        for (int column = 0; column < screen.Width(); ++column) {
            const auto& glyph = DotsOf(screen, screen.Cell(row, column), set);
            for (int y = 0; y < 8; ++y)
                for (int x = 0; x < 5; ++x)
                    if (glyph[y] & (16 >> x))
                        dots.lit[static_cast<std::size_t>((kBorder + row * kCellHeight + y) * dots.width +
                                                          kBorder + column * kCellWidth + x)] = true;
        }
    }
    return dots;
}

std::string EncodePng(const LcdScreen& screen, int scale, CharacterSet set) {
    static const unsigned char kBacklight[3] = {150, 200, 60};
    static const unsigned char kDot[3] = {30, 50, 20};
    LcdDots dots = ScreenDots(screen, set);
    int width = dots.width * scale, height = dots.height * scale;
    std::string raw;
    raw.reserve(static_cast<std::size_t>((width * 3 + 1) * height));
    for (int y = 0; y < height; ++y) {
        raw += '\0';  // no filter
        for (int x = 0; x < width; ++x) {
            const unsigned char* colour = dots.At(x / scale, y / scale) ? kDot : kBacklight;
            raw.append(reinterpret_cast<const char*>(colour), 3);
        }
    }
    std::string header;
    PutBigEndian(header, static_cast<std::uint32_t>(width));
    PutBigEndian(header, static_cast<std::uint32_t>(height));
    header += std::string("\x08\x02\x00\x00\x00", 5);  // 8-bit RGB
    std::string png = "\x89PNG\r\n\x1A\n";
    Chunk(png, "IHDR", header);
    Chunk(png, "IDAT", StoredZlib(raw));
    Chunk(png, "IEND", "");
    return png;
}
