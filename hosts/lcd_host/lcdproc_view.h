// What an LcdScreen becomes on an LCDproc server: one string widget per row and one icon
// widget per custom character whose dots match an icon the server draws. The protocol has
// no client-defined characters, so every other custom character shows as a fallback letter.
#pragma once

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "hosts/lcd_host/lcd_screen.h"

struct LcdprocView {
    std::vector<std::string> rows;                       // printable ASCII, one per row
    std::map<std::pair<int, int>, std::string> icons;    // (row, column) from 1: icon name

    bool operator==(const LcdprocView& other) const { return rows == other.rows && icons == other.icons; }
};

// The server's icon for a custom character ("PLAY", "PAUSE", "STOP", "REC"), or empty when
// it has none.
std::string IconOfGlyph(const CustomCharacter& glyph);

// The letter shown for a custom character without an icon: T for the TV glyph, R for radio,
// F for a file, * for any other.
char FallbackOfGlyph(const CustomCharacter& glyph);

// The screen as widgets, cut to `width` x `height` (the display's size). Letters past ASCII
// become plain Latin letters where they are Polish, "?" otherwise; control codes ".".
LcdprocView ViewOfScreen(const LcdScreen& screen, int width, int height);

// The protocol lines that turn what the server shows, `shown` (null: a screen of ours just
// added, with no widgets), into `wanted`, for the screen named `screenId`.
std::vector<std::string> UpdateLines(const LcdprocView* shown, const LcdprocView& wanted,
                                     const std::string& screenId);
