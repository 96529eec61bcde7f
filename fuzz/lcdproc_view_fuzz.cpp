// Feeds the LCDproc view arbitrary rows ($CustomChar and $Chr commands included) on two
// successive screens: every protocol line must be one line of printable ASCII, and every
// quoted text must read back, as the server's parser reads it, as a row of the display's width.
#include <fuzzer/FuzzedDataProvider.h>

#include <string>
#include <vector>

#include "hosts/lcd_host/lcd_screen.h"
#include "hosts/lcd_host/lcdproc_view.h"

namespace {

void Check(bool condition) {
    if (!condition) __builtin_trap();
}

// The text between the quotes of `line`, unescaped; empty when there are no quotes.
std::string Unquoted(const std::string& line, bool* quoted) {
    std::size_t open = line.find('"');
    *quoted = open != std::string::npos;
    std::string text;
    for (std::size_t i = open + 1; *quoted && i < line.size(); ++i) {
        if (line[i] == '\\' && i + 1 < line.size()) text += line[++i];
        else if (line[i] == '"') return Check(i + 1 == line.size()), text;
        else text += line[i];
    }
    return text;
}

void CheckLines(const std::vector<std::string>& lines, int width) {
    for (const std::string& line : lines) {
        for (char c : line) Check(c >= 0x20 && c < 0x7F);
        bool quoted = false;
        std::string text = Unquoted(line, &quoted);
        if (quoted) Check(static_cast<int>(text.size()) == width);
    }
}

LcdprocView Draw(FuzzedDataProvider& input, LcdScreen* screen, int width, int height) {
    for (int row = 0; row < screen->Height(); ++row) screen->WriteRow(row, input.ConsumeRandomLengthString(96));
    return ViewOfScreen(*screen, width, height);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    LcdScreen screen(input.ConsumeIntegralInRange<int>(1, 40), input.ConsumeIntegralInRange<int>(1, 4));
    int width = input.ConsumeIntegralInRange<int>(1, screen.Width());
    int height = input.ConsumeIntegralInRange<int>(1, screen.Height());
    LcdprocView first = Draw(input, &screen, width, height);
    CheckLines(UpdateLines(nullptr, first, "s"), width);
    LcdprocView second = Draw(input, &screen, width, height);
    std::vector<std::string> change = UpdateLines(&first, second, "s");
    CheckLines(change, width);
    Check(change.empty() == (first == second));
    return 0;
}
