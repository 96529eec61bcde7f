#include "hosts/lcd_host/terminal_panel.h"

namespace {

constexpr int kExtraLines = 2;  // the title and the legend

// Index: 1 upper left, 2 upper right, 4 lower left, 8 lower right.
const char* const kQuadrants[16] = {" ", "▘", "▝", "▀", "▖", "▌", "▞", "▛",
                                    "▗", "▚", "▐", "▜", "▄", "▙", "▟", "█"};
const char* const kHalves[4] = {" ", "▄", "▀", "█"};  // index: 2 upper, 1 lower

bool Lit(const LcdDots& dots, int x, int y) {
    return x < dots.width && y < dots.height && dots.At(x, y);
}

int PanelColumns(const LcdDots& dots, DotStyle style) {
    return style == DotStyle::kHalfBlocks ? dots.width : (dots.width + 1) / 2;
}

int PanelLines(const LcdDots& dots) {
    return (dots.height + 1) / 2;
}

bool IsLeadByte(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
}

}  // namespace

std::optional<DotStyle> ChooseDotStyle(const LcdDots& dots, int columns, int rows) {
    for (DotStyle style : {DotStyle::kHalfBlocks, DotStyle::kQuadrants})
        if (PanelColumns(dots, style) <= columns && PanelLines(dots) + kExtraLines <= rows)
            return style;
    return std::nullopt;
}

std::string RenderDots(const LcdDots& dots, DotStyle style) {
    std::string text;
    for (int y = 0; y < dots.height; y += 2) {
        if (style == DotStyle::kHalfBlocks) {
            for (int x = 0; x < dots.width; ++x)
                text += kHalves[(Lit(dots, x, y) ? 2 : 0) + (Lit(dots, x, y + 1) ? 1 : 0)];
        } else {
            for (int x = 0; x < dots.width; x += 2)
                text +=
                    kQuadrants[(Lit(dots, x, y) ? 1 : 0) + (Lit(dots, x + 1, y) ? 2 : 0) +
                               (Lit(dots, x, y + 1) ? 4 : 0) + (Lit(dots, x + 1, y + 1) ? 8 : 0)];
        }
        text += '\n';
    }
    return text;
}

int DisplayWidth(const std::string& line) {
    int width = 0;
    for (char c : line) width += IsLeadByte(c) ? 1 : 0;
    return width;
}

std::string FitToColumns(const std::string& text, int columns) {
    int seen = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (IsLeadByte(text[i]) && ++seen > columns) return text.substr(0, i);
    }
    return text;
}

std::string FitWholeParts(const std::string& text, const std::string& separator, int columns) {
    std::string fitted;
    for (std::size_t start = 0; start <= text.size();) {
        std::size_t end = text.find(separator, start);
        if (end == std::string::npos) end = text.size();
        std::string longer = text.substr(0, end);
        if (DisplayWidth(longer) > columns) break;
        fitted = longer;
        start = end + separator.size();
    }
    return fitted;
}

std::vector<std::string> FramedLines(const std::string& picture, int columns,
                                     const std::string& title, const std::string& legend) {
    std::vector<std::string> lines{FitWholeParts(title, " | ", columns)};
    for (std::size_t start = 0; start < picture.size();) {
        std::size_t end = picture.find('\n', start);
        lines.push_back(FitToColumns(picture.substr(start, end - start), columns));
        start = end == std::string::npos ? picture.size() : end + 1;
    }
    lines.push_back(FitWholeParts(legend, " ", columns));
    return lines;
}

std::vector<std::string> PanelLines(const LcdDots& dots, DotStyle style, int columns,
                                    const std::string& title, const std::string& legend) {
    return FramedLines(RenderDots(dots, style), columns, title, legend);
}
