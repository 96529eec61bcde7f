#include "hosts/lcd_host/lcd_screen.h"

#include <charconv>

namespace {

constexpr int kSlotCodes[] = {176, 158, 131, 132, 133, 134, 135, 136};

// Reads "(n,n,...)" at the start of `text` into `numbers`; the bytes taken, or 0.
std::size_t Arguments(std::string_view text, std::vector<int>* numbers) {
    if (text.empty() || text[0] != '(') return 0;
    std::size_t close = text.find(')');
    if (close == std::string_view::npos) return 0;
    std::string_view list = text.substr(1, close - 1);
    while (true) {
        std::size_t comma = list.find(',');
        std::string_view item = list.substr(0, comma);
        int value = 0;
        auto [end, status] = std::from_chars(item.data(), item.data() + item.size(), value);
        if (item.empty() || status != std::errc() || end != item.data() + item.size()) return 0;
        numbers->push_back(value);
        if (comma == std::string_view::npos) break;
        list.remove_prefix(comma + 1);
    }
    return close + 1;
}

}  // namespace

int SlotOfCode(int code) {
    for (int slot = 1; slot <= 8; ++slot)
        if (kSlotCodes[slot - 1] == code) return slot;
    return 0;
}

LcdScreen::LcdScreen(int width, int height)
    : width_(width), height_(height), cells_(static_cast<std::size_t>(width * height)) {}

std::size_t LcdScreen::Command(std::string_view text, std::vector<LcdCell>* out) {
    constexpr std::string_view kCustom = "$CustomChar";
    constexpr std::string_view kChr = "$Chr";
    std::vector<int> numbers;
    if (text.substr(0, kCustom.size()) == kCustom) {
        std::size_t taken = Arguments(text.substr(kCustom.size()), &numbers);
        if (taken == 0 || numbers.size() != 9) return 0;
        for (int i = 1; i <= 8; ++i)
            if (numbers[i] < 0 || numbers[i] > 31) return 0;
        // The LCD has eight custom characters: a definition for any other slot is dropped, and
        // the plug-in's $Chr(63) after it shows "?".
        if (numbers[0] < 1 || numbers[0] > 8) return kCustom.size() + taken;
        for (int i = 0; i < 8; ++i) custom_[numbers[0] - 1][i] = static_cast<std::uint8_t>(numbers[i + 1]);
        return kCustom.size() + taken;
    }
    if (text.substr(0, kChr.size()) == kChr) {
        std::size_t taken = Arguments(text.substr(kChr.size()), &numbers);
        if (taken == 0 || numbers.size() != 1 || numbers[0] < 0 || numbers[0] > 255) return 0;
        LcdCell cell;
        cell.slot = static_cast<std::uint8_t>(SlotOfCode(numbers[0]));
        cell.code = static_cast<std::uint8_t>(numbers[0]);
        out->push_back(cell);
        return kChr.size() + taken;
    }
    return 0;
}

void LcdScreen::WriteRow(int row, std::string_view text) {
    if (row < 0 || row >= height_) return;
    std::vector<LcdCell> line;
    while (!text.empty()) {
        std::size_t taken = text[0] == '$' ? Command(text, &line) : 0;
        if (taken == 0) {
            line.push_back({static_cast<std::uint8_t>(text[0]), 0});
            taken = 1;
        }
        text.remove_prefix(taken);
    }
    for (int column = 0; column < width_; ++column)
        cells_[row * width_ + column] = column < static_cast<int>(line.size()) ? line[column] : LcdCell{};
}
