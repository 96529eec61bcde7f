#include "hosts/lcd_host/screen_file.h"

#include "hosts/common/cp1250.h"
#include "hosts/common/decimal_number.h"
#include "hosts/common/text_file.h"

namespace {

bool ParseCall(std::string_view call, ScreenPart* part, std::string* error) {
    std::vector<std::string> fields;
    std::size_t start = 0;
    while (true) {
        std::size_t colon = call.find(':', start);
        fields.emplace_back(call.substr(start, colon - start));
        if (colon == std::string_view::npos) break;
        start = colon + 1;
    }
    bool text = fields[0] == "f1", glyph = fields[0] == "f2";
    if (!text && !glyph) {
        *error = "a call is {f1:NAME}, {f1:NAME:SECOND} or {f2:NAME:SLOT}, not {" + std::string(call) + "}";
        return false;
    }
    if (fields.size() < 2 || fields[1].empty() || fields.size() > 3 || (glyph && fields.size() != 3)) {
        *error = glyph ? "{f2:...} takes a field name and a slot" : "{f1:...} takes a field name and an optional second text";
        return false;
    }
    part->kind = text ? ScreenPart::Kind::kText1 : ScreenPart::Kind::kGlyph2;
    part->text = fields[1];
    part->second = fields.size() == 3 ? fields[2] : "";
    return true;
}

// Literal text is UTF-8 in the file and Windows-1250 on the display, like the answers.
bool AddText(std::string* text, ScreenRow* row, std::string* error) {
    if (text->empty()) return true;
    std::string bytes;
    if (!Utf8ToCp1250(*text, &bytes, error)) return false;
    row->push_back({ScreenPart::Kind::kText, std::move(bytes), {}});
    text->clear();
    return true;
}

bool ParseRow(std::string_view line, ScreenRow* row, std::string* error) {
    std::string text;
    // An LCD has no tab stops: a tab would be drawn as one odd cell, not as the spaces meant.
    if (line.find('\t') != std::string_view::npos) {
        *error = "a tab; an LCD has no tab stops, write spaces";
        return false;
    }
    for (std::size_t i = 0; i < line.size(); ++i) {
        if (line[i] == '}') {
            if (i + 1 >= line.size() || line[i + 1] != '}') {
                *error = "a \"}\" with no call before it; write }} to show one";
                return false;
            }
            text += '}';
            ++i;
            continue;
        }
        if (line[i] != '{') {
            text += line[i];
            continue;
        }
        if (i + 1 < line.size() && line[i + 1] == '{') {
            text += '{';
            ++i;
            continue;
        }
        std::size_t close = line.find('}', i);
        if (close == std::string_view::npos) {
            *error = "a call is not closed with \"}\"";
            return false;
        }
        if (!AddText(&text, row, error)) return false;
        ScreenPart part;
        if (!ParseCall(line.substr(i + 1, close - i - 1), &part, error)) return false;
        row->push_back(std::move(part));
        i = close;
    }
    return AddText(&text, row, error);
}

}  // namespace

bool CheckScreenFits(const std::vector<ScreenRow>& rows, int width, int height, std::string* error) {
    if (static_cast<int>(rows.size()) > height) {
        *error = "the screen has " + std::to_string(rows.size()) + " rows; the LCD shows " + std::to_string(height) +
                 " (see --size)";
        return false;
    }
    for (std::size_t row = 0; row < rows.size(); ++row) {
        std::size_t fixed = 0;
        for (const ScreenPart& part : rows[row])
            if (part.kind == ScreenPart::Kind::kText) fixed += part.text.size();
        if (fixed > static_cast<std::size_t>(width)) {
            *error = "row " + std::to_string(row + 1) + " has " + std::to_string(fixed) +
                     " characters of fixed text; the LCD is " + std::to_string(width) + " wide (see --size)";
            return false;
        }
    }
    return true;
}

bool ParseLcdSize(std::string_view text, int* width, int* height) {
    std::size_t x = text.find('x');
    long long w = 0, h = 0;
    if (x == std::string_view::npos || !ParseWholeNumber(text.substr(0, x), &w) ||
        !ParseWholeNumber(text.substr(x + 1), &h) || w < 1 || w > 80 || h < 1 || h > 8)
        return false;
    *width = static_cast<int>(w);
    *height = static_cast<int>(h);
    return true;
}

bool DeclaredScreenSize(std::string_view text, int* width, int* height) {
    constexpr std::string_view kSize = "# size ";
    for (std::string_view line : SplitLines(text))
        if (line.starts_with(kSize) && ParseLcdSize(line.substr(kSize.size()), width, height))
            return true;
    return false;
}

bool ParseScreen(std::string_view text, std::vector<ScreenRow>* rows, std::string* error) {
    rows->clear();
    int number = 0;
    for (std::string_view line : SplitLines(text)) {
        ++number;
        if (!line.empty() && line.front() == '#') continue;
        ScreenRow row;
        std::string message;
        if (!ParseRow(line, &row, &message)) {
            *error = "line " + std::to_string(number) + ": " + message;
            return false;
        }
        rows->push_back(std::move(row));
    }
    return true;
}
