#include "hosts/lcd_host/lcdproc_view.h"

#include <cstring>

namespace {

struct KnownGlyph {
    CustomCharacter dots;
    const char* icon;  // null: no icon, the fallback letter shows
    char fallback;
};

// The glyphs the display plug-in draws.
constexpr KnownGlyph kKnownGlyphs[] = {
    {{0, 16, 24, 28, 30, 28, 24, 16}, "PLAY", '>'},
    {{0, 27, 27, 27, 27, 27, 27, 0}, "PAUSE", '='},
    {{0, 31, 31, 31, 31, 31, 31, 0}, "STOP", '#'},
    {{0, 0, 14, 31, 31, 31, 14, 0}, "REC", 'o'},
    {{16, 10, 4, 31, 17, 17, 17, 31}, nullptr, 'T'},
    {{16, 24, 20, 23, 23, 20, 24, 16}, nullptr, 'R'},
    {{0, 28, 18, 31, 17, 17, 31, 0}, nullptr, 'F'},
};
constexpr char kUnknownGlyph = '*';

const KnownGlyph* FindGlyph(const CustomCharacter& glyph) {
    for (const KnownGlyph& known : kKnownGlyphs)
        if (known.dots == glyph) return &known;
    return nullptr;
}

// Windows-1250's Polish letters and the plain Latin letters shown for them.
constexpr char kPolish[] = "\xA5\xC6\xCA\xA3\xD1\xD3\x8C\x8F\xAF\xB9\xE6\xEA\xB3\xF1\xF3\x9C\x9F\xBF";
constexpr char kLatin[] = "ACELNOSZZacelnoszz";

char PlainLetter(std::uint8_t code) {
    if (code < 0x20 || code == 0x7F) return '.';
    if (code < 0x80) return static_cast<char>(code);
    const char* polish = std::strchr(kPolish, static_cast<char>(code));
    return polish ? kLatin[polish - kPolish] : '?';
}

// A string argument as the server's parser reads it back.
std::string Quoted(const std::string& text) {
    std::string quoted = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\') quoted += '\\';
        quoted += c;
    }
    return quoted + '"';
}

std::string IconId(const std::pair<int, int>& cell) {
    return "i" + std::to_string(cell.first) + "_" + std::to_string(cell.second);
}

std::string Place(const std::pair<int, int>& cell) {
    return std::to_string(cell.second) + " " + std::to_string(cell.first);
}

}  // namespace

std::string IconOfGlyph(const CustomCharacter& glyph) {
    const KnownGlyph* known = FindGlyph(glyph);
    return known && known->icon ? known->icon : "";
}

char FallbackOfGlyph(const CustomCharacter& glyph) {
    const KnownGlyph* known = FindGlyph(glyph);
    return known ? known->fallback : kUnknownGlyph;
}

LcdprocView ViewOfScreen(const LcdScreen& screen, int width, int height) {
    LcdprocView view;
    for (int row = 0; row < height; ++row) {
        std::string text(static_cast<std::size_t>(width), ' ');
        for (int column = 0; row < screen.Height() && column < width && column < screen.Width(); ++column) {
            const LcdCell& cell = screen.Cell(row, column);
            if (cell.slot == 0) {
                text[column] = PlainLetter(cell.code);
                continue;
            }
            const CustomCharacter& glyph = screen.Custom(cell.slot);
            std::string icon = IconOfGlyph(glyph);
            if (icon.empty()) text[column] = FallbackOfGlyph(glyph);
            else view.icons[{row + 1, column + 1}] = icon;  // drawn over the space below it
        }
        view.rows.push_back(text);
    }
    return view;
}

std::vector<std::string> UpdateLines(const LcdprocView* shown, const LcdprocView& wanted,
                                     const std::string& screenId) {
    std::vector<std::string> lines;
    const std::string prefix = screenId + " ";
    // Row widgets are added before any icon, so that the server draws icons over them.
    for (std::size_t row = 0; row < wanted.rows.size(); ++row) {
        std::string id = "r" + std::to_string(row + 1);
        bool known = shown && row < shown->rows.size();
        if (!known) lines.push_back("widget_add " + prefix + id + " string");
        if (!known || shown->rows[row] != wanted.rows[row])
            lines.push_back("widget_set " + prefix + id + " 1 " + std::to_string(row + 1) + " " + Quoted(wanted.rows[row]));
    }
    if (shown) {
        for (std::size_t row = wanted.rows.size(); row < shown->rows.size(); ++row)
            lines.push_back("widget_del " + prefix + "r" + std::to_string(row + 1));
        for (const auto& [cell, icon] : shown->icons)
            if (!wanted.icons.count(cell)) lines.push_back("widget_del " + prefix + IconId(cell));
    }
    for (const auto& [cell, icon] : wanted.icons) {
        auto before = shown ? shown->icons.find(cell) : wanted.icons.end();
        bool known = shown && before != shown->icons.end();
        if (!known) lines.push_back("widget_add " + prefix + IconId(cell) + " icon");
        if (!known || before->second != icon)
            lines.push_back("widget_set " + prefix + IconId(cell) + " " + Place(cell) + " " + icon);
    }
    return lines;
}
