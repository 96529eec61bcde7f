// The LCD as dots: each cell 5 x 8 dots with one dot of space between cells and rows.
#pragma once

#include <string>
#include <vector>

#include "hosts/lcd_host/font5x8.h"
#include "hosts/lcd_host/lcd_screen.h"

struct LcdDots {
    int width;   // in dots
    int height;
    std::vector<bool> lit;  // row by row
    bool At(int x, int y) const { return lit[static_cast<std::size_t>(y * width + x)]; }
};

LcdDots ScreenDots(const LcdScreen& screen, CharacterSet set = CharacterSet::kWindows1250);

// A PNG picture of the panel (green backlight, dark dots), `scale` pixels per dot.
std::string EncodePng(const LcdScreen& screen, int scale, CharacterSet set = CharacterSet::kWindows1250);
