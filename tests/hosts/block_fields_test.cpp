#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "hosts/common/block_fields.h"
#include "hosts/common/cp1250.h"

namespace {

TEST(Cp1250, PolishLettersRoundTripThroughUtf8) {
    const std::string cp1250 = "Za\xBF\xF3\xB3\xE6 g\xEA\x9Cl\xB9 ja\x9F\xF1 \xA3\xF3" "d\x9F \x8C\x8F\xAF\xA5\xCA\xC6\xD1\xD3";
    const std::string utf8 = "Zażółć gęślą jaźń Łódź ŚŹŻĄĘĆŃÓ";
    EXPECT_EQ(Cp1250ToUtf8(cp1250), utf8);
    std::string back;
    ASSERT_TRUE(Utf8ToCp1250(utf8, &back, nullptr));
    EXPECT_EQ(back, cp1250);
}

TEST(Cp1250, EveryDefinedByteRoundTrips) {
    for (int byte = 1; byte < 256; ++byte) {
        std::string one(1, static_cast<char>(byte));
        std::string utf8 = Cp1250ToUtf8(one);
        if (utf8 == "\xEF\xBF\xBD") continue;  // one of the five undefined bytes
        std::string back;
        ASSERT_TRUE(Utf8ToCp1250(utf8, &back, nullptr)) << byte;
        EXPECT_EQ(back, one) << byte;
    }
}

TEST(Cp1250, TextWithoutAWindows1250FormIsRefusedNamingTheCharacter) {
    std::string out, error;
    EXPECT_FALSE(Utf8ToCp1250("Kanał 日本", &out, &error));
    EXPECT_NE(error.find("日"), std::string::npos);
    EXPECT_FALSE(Utf8ToCp1250("\xC5", &out, &error));  // cut-off UTF-8
    EXPECT_FALSE(Utf8ToCp1250("\x80", &out, &error));  // stray continuation byte
}

TEST(BlockFields, FindsFieldsByFullOrShortNameIgnoringCase) {
    ASSERT_NE(FindBlockField("player.serviceLabel"), nullptr);
    EXPECT_EQ(FindBlockField("SERVICELABEL"), FindBlockField("player.serviceLabel"));
    EXPECT_EQ(FindBlockField("isrunning")->offset, 4u);
    EXPECT_EQ(FindBlockField("recordSize"), nullptr) << "ambiguous between the two records";
    EXPECT_EQ(FindBlockField("signal.recordSize")->offset, 8u);
    EXPECT_EQ(FindBlockField("nothing"), nullptr);
    EXPECT_EQ(MatchingBlockFields("recordsize"), (std::vector<std::string>{"signal.recordSize", "player.recordSize"}));
    EXPECT_EQ(MatchingBlockFields("Level"), (std::vector<std::string>{"signal.level"}));
    EXPECT_TRUE(MatchingBlockFields("nothing").empty());
}

// The coded numbers' meanings must say what the block's own constants are.
TEST(BlockFields, CodedFieldsSayWhatTheirNumbersMean) {
    const struct {
        const char* field;
        std::string code;
    } rows[] = {
        {"playState", std::to_string(kPlayStopped) + " stopped"},
        {"playState", std::to_string(kPlayPlaying) + " playing"},
        {"playState", std::to_string(kPlayPaused) + " paused"},
        {"serviceKind", std::to_string(kServiceTv) + " TV"},
        {"serviceKind", std::to_string(kServiceRadio) + " radio"},
        {"serviceKind", std::to_string(kServiceOther) + " other"},
        {"playingFile", "1 a file plays"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.field);
        const BlockField* field = FindBlockField(row.field);
        ASSERT_NE(field, nullptr);
        ASSERT_NE(field->meaning, nullptr);
        EXPECT_NE(std::string(field->meaning).find(row.code), std::string::npos) << field->meaning;
    }
}

TEST(BlockFields, EveryFieldLiesInsideTheBlockInOrder) {
    std::size_t end = 0;
    for (const BlockField& field : BlockFields()) {
        SCOPED_TRACE(field.name);
        EXPECT_GE(field.offset, end);
        end = field.offset + field.width;
    }
    EXPECT_EQ(end, kStatusBlockSize);
}

TEST(BlockFields, TextIsStoredAsWindows1250AndReadBackAsUtf8) {
    StatusBlock block = {};
    std::string error;
    ASSERT_TRUE(WriteBlockField(block, *FindBlockField("serviceLabel"), "Kanał Łódź", &error));
    EXPECT_STREQ(block.player.serviceLabel, "Kana\xB3 \xA3\xF3" "d\x9F");
    EXPECT_EQ(ReadBlockField(block, *FindBlockField("serviceLabel")), "Kanał Łódź");
}

TEST(BlockFields, ATextThatDoesNotFitIsRefusedAndTheFieldKept) {
    StatusBlock block = {};
    std::string error;
    ASSERT_TRUE(WriteBlockField(block, *FindBlockField("serviceLabel"), std::string(31, 'a'), &error));
    EXPECT_FALSE(WriteBlockField(block, *FindBlockField("serviceLabel"), std::string(32, 'b'), &error));
    EXPECT_NE(error.find("31"), std::string::npos) << error;
    EXPECT_EQ(std::string(block.player.serviceLabel), std::string(31, 'a'));
    EXPECT_EQ(block.player.providerLabel[0], '\0');
}

TEST(BlockFields, NumbersMustLieInTheFieldsDocumentedRange) {
    StatusBlock block = {};
    std::string error;
    struct {
        const char* field;
        const char* value;
        bool accepted;
    } rows[] = {
        {"playState", "3", true},
        {"playState", "1", false},
        {"playState", "-128", false},
        {"playState", "4", false},
        {"serviceKind", "2", true},
        {"serviceKind", "3", false},
        {"playingFile", "1", true},
        {"playingFile", "255", false},
        {"playingFile", "-1", false},
        {"muted", "2", false},
        {"isRunning", "0", true},
        {"isRunning", "-1", false},
        {"volume", "100", true},
        {"volume", "101", false},
        {"volume", "-1", false},
        {"signal.quality", "300", false},
        {"signal.level", "0", true},
        {"blockSize", "4294967295", true},
        {"blockSize", "-1", false},
        {"channelNumber", "-2147483648", true},
        {"channelNumber", "2147483648", false},
        {"channelNumber", "7", true},
        {"channelNumber", "+7", false},
        {"channelNumber", "0x7", false},
        {"channelNumber", "7x", false},
        {"channelNumber", "", false},
        {"channelNumber", "seven", false},
        {"channelNumber", "99999999999999999999", false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string(row.field) + " = " + row.value);
        error.clear();
        EXPECT_EQ(WriteBlockField(block, *FindBlockField(row.field), row.value, &error), row.accepted);
        if (!row.accepted) {
            EXPECT_NE(error.find(FindBlockField(row.field)->name), std::string::npos) << error;
        }
    }
    EXPECT_EQ(ReadBlockField(block, *FindBlockField("playState")), "3");
    EXPECT_EQ(ReadBlockField(block, *FindBlockField("volume")), "100");
    EXPECT_EQ(ReadBlockField(block, *FindBlockField("channelNumber")), "7");
    EXPECT_EQ(ReadBlockField(block, *FindBlockField("blockSize")), "4294967295");
}

TEST(BlockFields, AnUnterminatedTextIsShownCutAndFlagged) {
    StatusBlock block = {};
    std::memset(block.player.serviceLabel, 'x', sizeof block.player.serviceLabel);
    EXPECT_EQ(ReadBlockField(block, *FindBlockField("serviceLabel")),
              std::string(31, 'x') + " (unterminated)");
}

}  // namespace
