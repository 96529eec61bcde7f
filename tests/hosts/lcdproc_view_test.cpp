#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "hosts/lcd_host/lcd_screen.h"
#include "hosts/lcd_host/lcdproc_view.h"

namespace {

using Lines = std::vector<std::string>;

// Two glyphs as the display plug-in draws them, into slots 1 and 2.
const char kPlaying[] = "$CustomChar(1,0,16,24,28,30,28,24,16)$Chr(176)";
const char kTv[] = "$CustomChar(2,16,10,4,31,17,17,17,31)$Chr(158)";

LcdprocView View(const std::vector<std::string>& rows, int width = 8) {
    LcdScreen screen(width, static_cast<int>(rows.size()));
    for (std::size_t row = 0; row < rows.size(); ++row) screen.WriteRow(static_cast<int>(row), rows[row]);
    return ViewOfScreen(screen, width, static_cast<int>(rows.size()));
}

TEST(LcdprocView, EachGlyphOfThePlugInBecomesItsIconOrItsFallbackLetter) {
    const struct {
        const char* dots;
        const char* icon;
        char fallback;
    } glyphs[] = {
        {"0,16,24,28,30,28,24,16", "PLAY", '>'},   {"0,27,27,27,27,27,27,0", "PAUSE", '='},
        {"0,31,31,31,31,31,31,0", "STOP", '#'},    {"0,0,14,31,31,31,14,0", "REC", 'o'},
        {"16,10,4,31,17,17,17,31", "", 'T'},       {"16,24,20,23,23,20,24,16", "", 'R'},
        {"0,28,18,31,17,17,31,0", "", 'F'},        {"0,16,24,28,30,28,24,17", "", '*'},
        {"0,0,0,0,0,0,0,0", "", '*'},
    };
    for (const auto& glyph : glyphs) {
        LcdprocView view = View({std::string("a$CustomChar(2,") + glyph.dots + ")$Chr(158)b"});
        if (*glyph.icon) {
            EXPECT_EQ(view.rows[0], "a b     ") << glyph.dots;
            ASSERT_EQ(view.icons.size(), 1u) << glyph.dots;
            EXPECT_EQ(view.icons.begin()->first, std::make_pair(1, 2)) << glyph.dots;
            EXPECT_EQ(view.icons.begin()->second, glyph.icon) << glyph.dots;
        } else {
            EXPECT_EQ(view.rows[0], std::string("a") + glyph.fallback + "b     ") << glyph.dots;
            EXPECT_TRUE(view.icons.empty()) << glyph.dots;
        }
    }
}

TEST(LcdprocView, TextIsPlainAsciiAndQuotedAsTheServerParsesIt) {
    // Polish letters become Latin ones, other letters past ASCII "?", control codes ".".
    LcdprocView view = View({"\xA3\xF3" "d\x9F \xE9$Chr(9)", "say \"a\\b\""}, 10);
    EXPECT_EQ(view.rows[0], "Lodz ?.   ");
    EXPECT_EQ(UpdateLines(nullptr, view, "s"),
              (Lines{"widget_add s r1 string", "widget_set s r1 1 1 \"Lodz ?.   \"", "widget_add s r2 string",
                     "widget_set s r2 1 2 \"say \\\"a\\\\b\\\" \""}));
}

TEST(LcdprocView, OnlyWhatChangedIsSent) {
    LcdprocView first = View({std::string(kPlaying) + "x", std::string(kTv) + " TVP"});
    EXPECT_EQ(UpdateLines(&first, first, "s"), Lines{});
    const struct {
        const char* what;
        std::vector<std::string> rows;
        Lines lines;
    } changes[] = {
        {"a row's text", {std::string(kPlaying) + "y", std::string(kTv) + " TVP"},
         {"widget_set s r1 1 1 \" y      \""}},
        {"an icon's kind", {"$CustomChar(1,0,27,27,27,27,27,27,0)$Chr(176)x", std::string(kTv) + " TVP"},
         {"widget_set s i1_1 1 1 PAUSE"}},
        {"an icon gone", {"x", std::string(kTv) + " TVP"},
         {"widget_set s r1 1 1 \"x       \"", "widget_del s i1_1"}},
        {"an icon moved", {std::string(" ") + kPlaying + "x", std::string(kTv) + " TVP"},
         {"widget_set s r1 1 1 \"  x     \"", "widget_del s i1_1", "widget_add s i1_2 icon",
          "widget_set s i1_2 2 1 PLAY"}},
    };
    for (const auto& change : changes)
        EXPECT_EQ(UpdateLines(&first, View(change.rows), "s"), change.lines) << change.what;
}

TEST(LcdprocView, ANewScreenGetsRowWidgetsBeforeIconsSoIconsAreDrawnOverThem) {
    LcdprocView view = View({std::string("a") + kPlaying});
    EXPECT_EQ(UpdateLines(nullptr, view, "s"),
              (Lines{"widget_add s r1 string", "widget_set s r1 1 1 \"a       \"", "widget_add s i1_2 icon",
                     "widget_set s i1_2 2 1 PLAY"}));
}

TEST(LcdprocView, TheViewIsCutToTheDisplay) {
    LcdScreen screen(20, 4);
    screen.WriteRow(0, std::string("0123456789") + kPlaying);
    screen.WriteRow(3, "last");
    LcdprocView view = ViewOfScreen(screen, 8, 2);
    EXPECT_EQ(view.rows, (Lines{"01234567", "        "}));
    EXPECT_TRUE(view.icons.empty());
}

}  // namespace
