// The LCD drawn in a terminal for people: a title line, the panel in block characters sized
// to the terminal, and a legend of the custom characters, redrawn in place.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "hosts/lcd_host/lcd_pixels.h"

// kHalfBlocks: one column per dot, two dot rows per line (a 20x4 LCD: 123 x 20).
// kQuadrants: two dots a column, two dot rows per line (a 20x4 LCD: 62 x 20).
enum class DotStyle { kHalfBlocks, kQuadrants };

// The finest style whose panel, with its title and legend lines, fits `columns` x `rows`;
// none when even quadrants do not fit (then plain frames are the way to show the LCD).
std::optional<DotStyle> ChooseDotStyle(const LcdDots& dots, int columns, int rows);

// The dots in `style`, one "\n"-ended line per text line, UTF-8.
std::string RenderDots(const LcdDots& dots, DotStyle style);

// `text` cut to at most `columns` characters (UTF-8 aware).
std::string FitToColumns(const std::string& text, int columns);

// The leading parts of `text`, split at `separator`, that fit `columns` whole: a title or a
// legend loses what does not fit rather than being cut mid-word.
std::string FitWholeParts(const std::string& text, const std::string& separator, int columns);

// One whole screen for the terminal, a line each: the title, the panel, the legend, none
// wider than `columns`.
std::vector<std::string> PanelLines(const LcdDots& dots, DotStyle style, int columns,
                                    const std::string& title, const std::string& legend);

// The same for any picture of "\n"-ended lines, such as the plain frame shown where no dot
// style fits.
std::vector<std::string> FramedLines(const std::string& picture, int columns,
                                     const std::string& title, const std::string& legend);

// The number of characters a UTF-8 line takes in a terminal (one per code point).
int DisplayWidth(const std::string& line);
