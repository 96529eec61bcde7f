// The LCD as dots: each cell 5 x 8 dots with one dot of space between cells and rows.
#pragma once

#include <string>
#include <vector>

#include "hosts/lcd_host/lcd_screen.h"

struct LcdDots {
    int width;   // in dots
    int height;
    std::vector<bool> lit;  // row by row
    bool At(int x, int y) const { return lit[static_cast<std::size_t>(y * width + x)]; }
};

LcdDots ScreenDots(const LcdScreen& screen);

// The dots for a terminal: two dot rows per text line drawn with half blocks.
std::string RenderBigPixels(const LcdScreen& screen);

// A PNG picture of the panel (green backlight, dark dots), `scale` pixels per dot.
std::string EncodePng(const LcdScreen& screen, int scale);
