#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "hosts/lcd_host/font5x8.h"
#include "hosts/lcd_host/lcd_pixels.h"
#include "hosts/lcd_host/lcd_render.h"
#include "hosts/lcd_host/lcd_screen.h"
#include "hosts/lcd_host/screen_file.h"
#include "hosts/lcd_host/terminal_panel.h"

namespace {

// Answers like the display plug-in, from fixed texts.
struct FixedPlugin {
    const char* Text(const char* name, const char* second) const {
        answer = std::string("T(") + name + "," + second + ")";
        return answer.c_str();
    }
    const char* Glyph(const char* name, const char* slot) const {
        answer = std::string("G(") + name + "," + slot + ")";
        return answer.c_str();
    }
    mutable std::string answer;
};

TEST(ScreenFile, CallsAreReplacedByThePlugInsAnswers) {
    std::vector<ScreenRow> rows;
    std::string error;
    ASSERT_TRUE(ParseScreen("# comment\n{f2:Type:1} {f1:ServiceLabel}\r\nVol {f1:VolLevel:x}{{x}}\n\n", &rows, &error))
        << error;
    ASSERT_EQ(rows.size(), 3u);
    FixedPlugin plugin;
    EXPECT_EQ(EvaluateRow(rows[0], plugin), "G(Type,1) T(ServiceLabel,)");
    EXPECT_EQ(EvaluateRow(rows[1], plugin), "Vol T(VolLevel,x){x}");
    EXPECT_EQ(EvaluateRow(rows[2], plugin), "");
}

TEST(ScreenFile, LiteralTextIsStoredAsWindows1250) {
    std::vector<ScreenRow> rows;
    std::string error;
    ASSERT_TRUE(ParseScreen("Głośność", &rows, &error));
    EXPECT_EQ(EvaluateRow(rows[0], FixedPlugin{}), "G\xB3o\x9Cno\x9C\xE6");
}

TEST(ScreenFile, MistakesAreReportedWithTheirLine) {
    const struct {
        const char* text;
        const char* message;
    } rows[] = {
        {"ok\n{f1:Type", "line 2: a call is not closed"},
        {"{f3:Type}", "line 1: a call is {f1:NAME}"},
        {"{f2:Type}", "line 1: {f2:...} takes a field name and a slot"},
        {"{f1:}", "line 1: {f1:...} takes"},
        {"{f1:a:b:c}", "line 1: {f1:...} takes"},
        {"日本", "line 1: \"日\" has no Windows-1250 byte"},
        {"a\n{{literal}", "line 2: a \"}\" with no call before it"},
        {"x}", "line 1: a \"}\" with no call before it"},
    };
    for (const auto& row : rows) {
        std::vector<ScreenRow> screen;
        std::string error;
        EXPECT_FALSE(ParseScreen(row.text, &screen, &error)) << row.text;
        EXPECT_NE(error.find(row.message), std::string::npos) << error;
    }
}

TEST(ScreenFile, AScreenMustFitTheLcd) {
    const struct {
        const char* text;
        const char* message;  // null: it fits 10x2
    } rows[] = {
        {"0123456789\n{f1:EPG}{f1:EPG}{f1:EPG}", nullptr},
        {"a\nb\nc", "the screen has 3 rows; the LCD shows 2"},
        {"a\n0123456789X", "row 2 has 11 characters of fixed text; the LCD is 10 wide"},
        {"# comments are no rows\na\nŁódź {{ }} 12", "row 2 has 11 characters"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.text);
        std::vector<ScreenRow> screen;
        std::string error;
        ASSERT_TRUE(ParseScreen(row.text, &screen, &error)) << error;
        EXPECT_EQ(CheckScreenFits(screen, 10, 2, &error), row.message == nullptr);
        if (row.message) {
            EXPECT_NE(error.find(row.message), std::string::npos) << error;
        }
    }
}

TEST(LcdScreen, CustomCharactersAreDefinedThenPrinted) {
    LcdScreen screen(8, 2);
    screen.WriteRow(0, "$CustomChar(3,16,10,4,31,17,17,17,31)$Chr(131)TV$Chr(65)");
    EXPECT_EQ(screen.Cell(0, 0).slot, 3);
    EXPECT_EQ(screen.Cell(0, 1).code, 'T');
    EXPECT_EQ(screen.Cell(0, 3).code, 'A');
    EXPECT_EQ(screen.Cell(0, 3).slot, 0);
    EXPECT_EQ(screen.Custom(3)[0], 16);
    EXPECT_EQ(screen.Custom(3)[7], 31);
    EXPECT_EQ(screen.Cell(1, 0).code, ' ');
}

TEST(LcdScreen, MalformedCommandsAreDrawnAsText) {
    const char* rows[] = {"$CustomChar(1,2,3)", "$CustomChar(9,0,0,0,0,0,0,0,0,0)",
                          "$CustomChar(1,0,0,0,0,0,0,0,32)", "$Chr(999)", "$Chr(x)", "$Chr(65"};
    for (const char* text : rows) {
        LcdScreen screen(40, 1);
        screen.WriteRow(0, text);
        EXPECT_EQ(screen.Cell(0, 0).code, '$') << text;
        EXPECT_EQ(screen.Cell(0, 1).code, text[1]) << text;
        EXPECT_EQ(screen.Custom(1)[7], 0) << text;
    }
}

// The plug-in answers a slot it cannot use with $Chr(63); the LCD drops the definition.
TEST(LcdScreen, ADefinitionForASlotPastEightIsDroppedAndItsQuestionMarkShown) {
    LcdScreen screen(4, 1);
    screen.WriteRow(0, "$CustomChar(9,16,10,4,31,17,17,17,31)$Chr(63)$CustomChar(0,1,1,1,1,1,1,1,1)A");
    EXPECT_EQ(RenderFrame(screen), "+----+\n|?A  |\n+----+\n");
    for (int slot = 1; slot <= 8; ++slot) EXPECT_EQ(screen.Custom(slot)[0], 0) << slot;
}

TEST(LcdScreen, RowsAreCutAtTheWidthAndFramesShowMarkers) {
    LcdScreen screen(6, 2);
    screen.WriteRow(0, "$CustomChar(1,0,0,14,31,31,31,14,0)$Chr(176) Kana\xB3 7");
    screen.WriteRow(1, "\x01" "ab");
    screen.WriteRow(5, "ignored");
    EXPECT_EQ(RenderFrame(screen),
              "+------+\n"
              "|① Kana|\n"
              "|.ab   |\n"
              "+------+\n");
}

}  // namespace

namespace {

// The panel must never be wider or taller than the terminal it was measured in, or every
// line wraps and the picture falls apart.
TEST(TerminalPanel, ThePanelFitsTheTerminalItIsDrawnIn) {
    const std::string kTitle =
        "lcdhost: screens/a-rather-long-screen-name.txt | libvistune.so | every 1000 ms | Ctrl-C "
        "ends";
    const std::string kLegend =
        "custom characters: 1=Type 2=PlayStatus 3=Record 4=IsRunning 5=Type 6=Record";
    const struct {
        int width, height;  // the LCD
        int columns, rows;  // the terminal
        std::optional<DotStyle> style;
    } cases[] = {
        {20, 4, 80, 24, DotStyle::kQuadrants},  {20, 4, 100, 40, DotStyle::kQuadrants},
        {20, 4, 120, 40, DotStyle::kQuadrants}, {20, 4, 123, 22, DotStyle::kHalfBlocks},
        {20, 4, 123, 21, std::nullopt},         {20, 4, 61, 24, std::nullopt},
        {40, 4, 120, 40, std::nullopt},         {40, 4, 122, 24, DotStyle::kQuadrants},
        {16, 2, 80, 24, DotStyle::kQuadrants},  {16, 2, 99, 13, DotStyle::kHalfBlocks},
        {80, 8, 120, 40, std::nullopt},         {20, 4, 62, 22, DotStyle::kQuadrants},
        {8, 2, 40, 12, std::nullopt},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(std::to_string(row.width) + "x" + std::to_string(row.height) + " in " +
                     std::to_string(row.columns) + "x" + std::to_string(row.rows));
        LcdScreen screen(row.width, row.height);
        for (int line = 0; line < row.height; ++line) screen.WriteRow(line, "\xA3\xF3" "d\x9F 8888888888888888888888888888");
        LcdDots dots = ScreenDots(screen);
        std::optional<DotStyle> style = ChooseDotStyle(dots, row.columns, row.rows);
        EXPECT_EQ(style, row.style);
        // Where no dot style fits, the plain frame is shown, its lines whole where they fit.
        std::string frame = RenderFrame(screen);
        std::vector<std::string> lines =
            style ? PanelLines(dots, *style, row.columns, kTitle, kLegend)
                  : FramedLines(frame, row.columns, kTitle, kLegend);
        if (!style) {
            ASSERT_EQ(lines.size(), static_cast<std::size_t>(row.height + 4));
            std::string border = frame.substr(0, frame.find('\n'));
            EXPECT_EQ(lines[1], FitToColumns(border, row.columns));
            EXPECT_EQ(lines[lines.size() - 2], lines[1]);
        }
        for (const std::string& line : lines) EXPECT_LE(DisplayWidth(line), row.columns) << line;
        EXPECT_LE(static_cast<int>(lines.size()), row.rows);
        // Whatever of the title and legend is shown is shown whole, never cut mid-word.
        EXPECT_TRUE(kTitle.starts_with(lines.front()) &&
                    (lines.front().empty() || lines.front().size() == kTitle.size() ||
                     kTitle.substr(lines.front().size()).starts_with(" | ")))
            << lines.front();
        EXPECT_TRUE(kLegend.starts_with(lines.back()) &&
                    (lines.back().size() == kLegend.size() || kLegend[lines.back().size()] == ' '))
            << lines.back();
    }
}

TEST(TerminalPanel, QuadrantsKeepEveryDot) {
    LcdDots dots{3, 3, {true, false, true, false, true, false, true, true, true}};
    EXPECT_EQ(RenderDots(dots, DotStyle::kQuadrants), "▚▘\n▀▘\n");
    EXPECT_EQ(RenderDots(dots, DotStyle::kHalfBlocks), "▀▄▀\n▀▀▀\n");
}

// Every Polish letter has dots of its own; a plain ASCII generator shows them as boxes.
TEST(Font, PolishLettersAreDrawnUnlessAsciiOnlyIsAsked) {
    const std::string letters = "\xB9\xE6\xEA\xB3\xF1\xF3\x9C\x9F\xBF\xA5\xC6\xCA\xA3\xD1\xD3\x8C\x8F\xAF";
    const auto& box = GlyphDots(0x80);
    for (char letter : letters) {
        auto code = static_cast<std::uint8_t>(letter);
        SCOPED_TRACE(static_cast<int>(code));
        EXPECT_NE(GlyphDots(code), box);
        EXPECT_EQ(GlyphDots(code, CharacterSet::kAsciiOnly), box);
        for (char other : letters) {
            if (other == letter) continue;
            EXPECT_NE(GlyphDots(code), GlyphDots(static_cast<std::uint8_t>(other)));
        }
    }
    EXPECT_EQ(GlyphDots('A', CharacterSet::kAsciiOnly), GlyphDots('A'));
}

}  // namespace
