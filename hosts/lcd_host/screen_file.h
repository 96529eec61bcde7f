// A screen file: one line per LCD row, with calls of the display plug-in between braces.
//   {f1:NAME}          function1(NAME, "")      {f1:NAME:SECOND}   function1(NAME, SECOND)
//   {f2:NAME:SLOT}     function2(NAME, SLOT)    {{ and }}          a literal "{" and "}"
// Lines starting with "#" are comments; "# size WxH" among them says the LCD the screen is
// made for. Text outside the braces is shown as it stands.
#pragma once

#include <string>
#include <string_view>
#include <vector>

struct ScreenPart {
    enum class Kind { kText, kText1, kGlyph2 } kind;
    std::string text;    // literal text, or the field name
    std::string second;  // function1's second text or function2's slot
};

using ScreenRow = std::vector<ScreenPart>;

// Reads a screen file; false with `error` naming the line and what is wrong.
bool ParseScreen(std::string_view text, std::vector<ScreenRow>* rows, std::string* error);

// "WxH", W from 1 to 80 and H from 1 to 8 in plain decimal; false for anything else.
bool ParseLcdSize(std::string_view text, int* width, int* height);

// The size a "# size WxH" line gives (W 1 to 80, H 1 to 8); false when none does.
bool DeclaredScreenSize(std::string_view text, int* width, int* height);

// False, with `error` saying why, when the screen has more rows than the LCD or a row's fixed
// text alone is wider than it; answers that make a row too long are cut, as an LCD does.
bool CheckScreenFits(const std::vector<ScreenRow>& rows, int width, int height, std::string* error);

// Calls the plug-in for each part of a row and joins the answers (Windows-1250 bytes).
template <typename Plugin>
std::string EvaluateRow(const ScreenRow& row, const Plugin& plugin) {
    std::string out;
    for (const ScreenPart& part : row) {
        if (part.kind == ScreenPart::Kind::kText) out += part.text;
        if (part.kind == ScreenPart::Kind::kText1) out += plugin.Text(part.text.c_str(), part.second.c_str());
        if (part.kind == ScreenPart::Kind::kGlyph2) out += plugin.Glyph(part.text.c_str(), part.second.c_str());
    }
    return out;
}
