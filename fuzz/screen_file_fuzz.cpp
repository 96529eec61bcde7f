// Feeds lcdhost's screen-file parser arbitrary files and its LCD arbitrary rows, commands
// included: nothing may crash, and every row drawn stays inside the screen.
#include <fuzzer/FuzzedDataProvider.h>

#include <string>
#include <vector>

#include "hosts/lcd_host/lcd_render.h"
#include "hosts/lcd_host/lcd_screen.h"
#include "hosts/lcd_host/screen_file.h"

namespace {

struct EchoPlugin {
    const char* Text(const char* name, const char*) const { return name; }
    const char* Glyph(const char*, const char* slot) const { return slot; }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    std::vector<ScreenRow> rows;
    std::string error;
    ParseScreen(input.ConsumeRandomLengthString(512), &rows, &error);
    LcdScreen screen(input.ConsumeIntegralInRange<int>(1, 40), input.ConsumeIntegralInRange<int>(1, 4));
    for (int row = 0; row < screen.Height(); ++row)
        screen.WriteRow(row, row < static_cast<int>(rows.size()) ? EvaluateRow(rows[row], EchoPlugin{})
                                                                  : input.ConsumeRandomLengthString(128));
    RenderFrame(screen);
    return 0;
}
