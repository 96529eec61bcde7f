#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "display_plugin/glyph_fields.h"
#include "tests/display_plugin/display_fixture.h"

namespace {

using vistune::AnswerGlyphField;
using vistune::kWrongGlyphField;

class GlyphFields : public DisplayFixture {};

constexpr char kTv3[] = "$CustomChar(3,16,10,4,31,17,17,17,31)$Chr(131)";
constexpr char kRadio1[] = "$CustomChar(1,16,24,20,23,23,20,24,16)$Chr(176)";
constexpr char kFile2[] = "$CustomChar(2,0,28,18,31,17,17,31,0)$Chr(158)";
constexpr char kStopped8[] = "$CustomChar(8,0,31,31,31,31,31,31,0)$Chr(136)";
constexpr char kPlaying4[] = "$CustomChar(4,0,16,24,28,30,28,24,16)$Chr(132)";
constexpr char kPaused5[] = "$CustomChar(5,0,27,27,27,27,27,27,0)$Chr(133)";
constexpr char kRecording6[] = "$CustomChar(6,0,0,14,31,31,31,14,0)$Chr(134)";

TEST(SlotText, IsReadAsADecimalSlotOfAtLeastOne) {
    struct {
        const char* text;
        int slot;
    } rows[] = {
        {"3", 3},        {"8", 8},       {"9", 9},         {"0", 1},
        {"-5", 1},       {"", 1},        {"abc", 1},       {" +3", 3},
        {"\t7", 7},      {"4x", 4},      {"+", 1},         {"-", 1},
        {"2147483647", 2147483647},      {"2147483648", 2147483647},
        {"99999999999", 2147483647},     {"-99999999999", 1},
        {"000000000000000000005", 5},    {nullptr, 1},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.text ? row.text : "(null)");
        EXPECT_EQ(vistune::ParseSlot(row.text), row.slot);
    }
}

TEST(SlotText, SlotsOneToEightHaveTheirCodesAndOthersPrintAQuestionMark) {
    const int codes[] = {176, 158, 131, 132, 133, 134, 135, 136};
    for (int slot = 1; slot <= 8; ++slot) EXPECT_EQ(vistune::SlotCharacterCode(slot), codes[slot - 1]);
    EXPECT_EQ(vistune::SlotCharacterCode(9), 63);
    EXPECT_EQ(vistune::SlotCharacterCode(2147483647), 63);
}

TEST_F(GlyphFields, TypeDrawsTheServiceKindOrTheFile) {
    EXPECT_STREQ(AnswerGlyphField("Type", "3"), kTv3);
    Player().serviceKind = kServiceRadio;
    EXPECT_STREQ(AnswerGlyphField("Type", "0"), kRadio1);
    Player().serviceKind = kServiceOther;
    EXPECT_STREQ(AnswerGlyphField("Type", "1"), "?");
    Player().playingFile = 1;
    EXPECT_STREQ(AnswerGlyphField("type", "2"), kFile2);
    Player().playingFile = 2;
    Player().serviceKind = kServiceTv;
    EXPECT_STREQ(AnswerGlyphField("TYPE", "3"), kTv3);
}

TEST_F(GlyphFields, PlayStatusDrawsStoppedPlayingOrPaused) {
    EXPECT_STREQ(AnswerGlyphField("PlayStatus", "8"), kStopped8);
    Player().playState = kPlayPlaying;
    EXPECT_STREQ(AnswerGlyphField("PlayStatus", "4"), kPlaying4);
    Player().playState = kPlayPaused;
    EXPECT_STREQ(AnswerGlyphField("playstatus", "5"), kPaused5);
    Player().playState = 1;
    EXPECT_STREQ(AnswerGlyphField("PlayStatus", "5"), kWrongGlyphField);
}

TEST_F(GlyphFields, ASlotAboveEightIsKeptAndPrintsCode63) {
    EXPECT_STREQ(AnswerGlyphField("Type", "9"),
                 "$CustomChar(9,16,10,4,31,17,17,17,31)$Chr(63)");
    EXPECT_STREQ(AnswerGlyphField("Type", "99999999999"),
                 "$CustomChar(2147483647,16,10,4,31,17,17,17,31)$Chr(63)");
}

TEST_F(GlyphFields, RecordBlinksStartingWithTheMarkAfterInit) {
    Player().recording = 1;
    const char* expected[] = {kRecording6, " ", kRecording6, " ", kRecording6};
    for (const char* answer : expected) EXPECT_STREQ(AnswerGlyphField("Record", "6"), answer);
    vistune::ConnectDisplay(name_.c_str());
    EXPECT_STREQ(AnswerGlyphField("Record", "6"), kRecording6);
}

TEST_F(GlyphFields, RecordIsABlankWithoutARecordingAndDoesNotAdvanceTheBlink) {
    EXPECT_STREQ(AnswerGlyphField("Record", "6"), " ");
    Player().recording = 2;
    EXPECT_STREQ(AnswerGlyphField("Record", "6"), " ");
    Player().recording = 1;
    EXPECT_STREQ(AnswerGlyphField("Record", "6"), kRecording6);
    EXPECT_STREQ(AnswerGlyphField("Record", "6"), " ");
    Player().recording = 0;
    EXPECT_STREQ(AnswerGlyphField("Record", "6"), " ");
    Player().recording = 1;
    EXPECT_STREQ(AnswerGlyphField("Record", "6"), kRecording6);
}

TEST_F(GlyphFields, IsRunningIsPlainDigits) {
    EXPECT_STREQ(AnswerGlyphField("IsRunning", "1"), "0");
    Block().isRunning = 1;
    EXPECT_STREQ(AnswerGlyphField("isrunning", "1"), "1");
}

TEST_F(GlyphFields, UnknownOrMissingNamesAnswerTheErrorText) {
    EXPECT_STREQ(AnswerGlyphField("SigLevel", "1"), kWrongGlyphField);
    EXPECT_STREQ(AnswerGlyphField("", "1"), kWrongGlyphField);
    EXPECT_STREQ(AnswerGlyphField(nullptr, "1"), kWrongGlyphField);
    EXPECT_STREQ(AnswerGlyphField("Type", nullptr), "$CustomChar(1,16,10,4,31,17,17,17,31)$Chr(176)");
}

}  // namespace
