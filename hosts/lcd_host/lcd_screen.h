// A character LCD of W x H cells with eight custom characters, written the way the display
// host writes its rows: text, with $CustomChar and $Chr commands interpreted.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>
#include <vector>

struct LcdCell {
    std::uint8_t code = ' ';  // a Windows-1250 character
    std::uint8_t slot = 0;    // 1 to 8: the custom character shown instead
};

using CustomCharacter = std::array<std::uint8_t, 8>;  // eight rows of five dots, 16 = leftmost

class LcdScreen {
public:
    LcdScreen(int width, int height);

    int Width() const { return width_; }
    int Height() const { return height_; }

    // Writes row `row` from text: "$CustomChar(slot,r1,...,r8)" defines custom character
    // `slot` (rows 0 to 31) and takes no cell; for a slot outside 1 to 8 it defines nothing; "$Chr(code)" prints the custom
    // character the code stands for (176, 158, 131 to 136 for slots 1 to 8) or else the
    // character with that code. A malformed command is shown as the text it is. The row is
    // cut at the width and padded with spaces.
    void WriteRow(int row, std::string_view text);

    const LcdCell& Cell(int row, int column) const { return cells_[row * width_ + column]; }
    const CustomCharacter& Custom(int slot) const { return custom_[slot - 1]; }

private:
    // Interprets a command at the start of `text`; the bytes it took, or 0 if it is malformed.
    std::size_t Command(std::string_view text, std::vector<LcdCell>* out);

    int width_;
    int height_;
    std::vector<LcdCell> cells_;
    std::array<CustomCharacter, 8> custom_{};
};

// The slot a $Chr code prints, 0 when it names none.
int SlotOfCode(int code);
