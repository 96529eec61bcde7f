#include "hosts/lcd_host/lcd_render.h"

#include "hosts/common/cp1250.h"

namespace {

const char* const kSlotMarkers[] = {"①", "②", "③", "④", "⑤", "⑥", "⑦", "⑧"};

std::string CellText(const LcdCell& cell) {
    if (cell.slot != 0) return kSlotMarkers[cell.slot - 1];
    if (cell.code < 0x20 || cell.code == 0x7F) return ".";
    return Cp1250ToUtf8(std::string(1, static_cast<char>(cell.code)));
}

}  // namespace

std::string RenderFrame(const LcdScreen& screen) {
    std::string border = "+" + std::string(static_cast<std::size_t>(screen.Width()), '-') + "+\n";
    std::string frame = border;
    for (int row = 0; row < screen.Height(); ++row) {
        frame += '|';
        for (int column = 0; column < screen.Width(); ++column) frame += CellText(screen.Cell(row, column));
        frame += "|\n";
    }
    return frame + border;
}
