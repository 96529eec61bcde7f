#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <functional>
#include <string>
#include <thread>

#include "display_plugin/text_fields.h"
#include "tests/display_plugin/display_fixture.h"

namespace {

using vistune::AnswerTextField;
using vistune::kWrongTextField;

class TextFields : public DisplayFixture {};

struct Row {
    const char* what;
    std::function<void(StatusBlock&)> state;
    const char* field;
    const char* answer;
};

void LiveTv(StatusBlock& b) {
    b.isRunning = 1;
    b.signal = {12, 87, -3};
    b.player.serviceKind = kServiceTv;
    std::snprintf(b.player.serviceLabel, 32, "Kana\xB3 \xA3\xF3" "d\x9F");
    std::snprintf(b.player.providerLabel, 32, "P\xF3\xB3noc");
    std::snprintf(b.player.caption, 160, "\xAF\xF3\xB3w");
    std::snprintf(b.player.eventText, 1024, "20:00  Wiadomo\x9C" "ci");
    b.player.channelNumber = -12;
    b.player.playState = kPlayPaused;
    b.player.volume = 42;
    b.player.muted = 1;
    std::snprintf(b.player.filePath, 1024, "D:\\rec\\news.ts");
}

const Row kRows[] = {
    {"an all-zero block", [](StatusBlock&) {}, "Type", "TV"},
    {"an all-zero block", [](StatusBlock&) {}, "PlayStatus", "STOP"},
    {"an all-zero block", [](StatusBlock&) {}, "VolMute", "0"},
    {"an all-zero block", [](StatusBlock&) {}, "ServiceLabel", ""},
    {"an all-zero block", [](StatusBlock&) {}, "ChannelNumber", "0"},
    {"an all-zero block", [](StatusBlock&) {}, "Record", "0"},
    {"live TV", LiveTv, "SigLevel", "-3"},
    {"live TV", LiveTv, "SigQuality", "87"},
    {"live TV", LiveTv, "IsRunning", "1"},
    {"live TV", LiveTv, "Type", "TV"},
    {"live TV", LiveTv, "Caption", "Zolw"},
    {"live TV", LiveTv, "ServiceLabel", "Kana\xB3 \xA3\xF3" "d\x9F"},
    {"live TV", LiveTv, "ProviderLabel", "P\xF3\xB3noc"},
    {"live TV", LiveTv, "ChannelNumber", "-12"},
    {"live TV", LiveTv, "PlayStatus", "PAUSE"},
    {"live TV", LiveTv, "EPG", "20:00  Wiadomosci"},
    {"live TV", LiveTv, "EPGNoTime", "Wiadomosci"},
    {"live TV", LiveTv, "VolLevel", "42"},
    {"live TV", LiveTv, "VolMute", "1"},
    {"live TV", LiveTv, "Version", "1.3"},
    {"live TV", LiveTv, "sIgLeVeL", "-3"},
    {"live TV", LiveTv, "EPGNOTIME", "Wiadomosci"},
    {"isRunning -1", [](StatusBlock& b) { b.isRunning = -1; }, "IsRunning", "-1"},
    {"a radio service", [](StatusBlock& b) { b.player.serviceKind = kServiceRadio; }, "Type", "RADIO"},
    {"another service", [](StatusBlock& b) { b.player.serviceKind = kServiceOther; }, "Type", "OTHER"},
    {"kind 7", [](StatusBlock& b) { b.player.serviceKind = 7; }, "Type", "NOTHING"},
    {"radio playing a file",
     [](StatusBlock& b) { b.player.serviceKind = kServiceRadio; b.player.playingFile = 1; },
     "Type", "FILE"},
    {"kind 7 playing a file",
     [](StatusBlock& b) { b.player.serviceKind = 7; b.player.playingFile = 1; }, "Type", "FILE"},
    {"a file played",
     [](StatusBlock& b) { LiveTv(b); b.player.playingFile = 1; }, "Caption", "\\news.ts"},
    {"a Polish file name played",
     [](StatusBlock& b) { LiveTv(b); b.player.playingFile = 1;
                          std::snprintf(b.player.filePath, 1024, "C:\\\xAF" "u\xBF" "el.ts"); },
     "Caption", "\\Zuzel.ts"},
    {"a file path without a backslash",
     [](StatusBlock& b) { b.player.playingFile = 1; std::snprintf(b.player.filePath, 1024, "news.ts"); },
     "Caption", "news.ts"},
    {"playingFile 2",
     [](StatusBlock& b) { LiveTv(b); b.player.playingFile = 2; }, "Caption", "\\news.ts"},
    {"playingFile 2", [](StatusBlock& b) { LiveTv(b); b.player.playingFile = 2; }, "Type", "TV"},
    {"playingFile 2",
     [](StatusBlock& b) { LiveTv(b); b.player.playingFile = 2; }, "EPG", "20:00  Wiadomosci"},
    {"a file played", [](StatusBlock& b) { LiveTv(b); b.player.playingFile = 1; }, "EPG", ""},
    {"a file played", [](StatusBlock& b) { LiveTv(b); b.player.playingFile = 1; }, "EPGNoTime", ""},
    {"a radio service",
     [](StatusBlock& b) { LiveTv(b); b.player.serviceKind = kServiceRadio; }, "EPG", ""},
    {"a radio service",
     [](StatusBlock& b) { LiveTv(b); b.player.serviceKind = kServiceRadio; }, "EPGNoTime", ""},
    {"an empty event", [](StatusBlock&) {}, "EPGNoTime", ""},
    {"an event without a space",
     [](StatusBlock& b) { std::snprintf(b.player.eventText, 1024, "20:00"); }, "EPGNoTime", ""},
    {"an event with only a time and spaces",
     [](StatusBlock& b) { std::snprintf(b.player.eventText, 1024, "20:00   "); }, "EPGNoTime", ""},
    {"an event starting with spaces",
     [](StatusBlock& b) { std::snprintf(b.player.eventText, 1024, "  News at ten"); },
     "EPGNoTime", "News at ten"},
    {"playState 1", [](StatusBlock& b) { b.player.playState = 1; }, "PlayStatus", kWrongTextField},
    {"playState 2", [](StatusBlock& b) { b.player.playState = 2; }, "PlayStatus", "PLAY"},
    {"playState -1", [](StatusBlock& b) { b.player.playState = -1; }, "PlayStatus", kWrongTextField},
    {"muted 2", [](StatusBlock& b) { b.player.muted = 2; }, "VolMute", kWrongTextField},
    {"recording", [](StatusBlock& b) { b.player.recording = 1; }, "Record", "1"},
    {"recording 2", [](StatusBlock& b) { b.player.recording = 2; }, "Record", "0"},
    {"extreme numbers",
     [](StatusBlock& b) { b.player.channelNumber = INT32_MIN; }, "ChannelNumber", "-2147483648"},
    {"extreme numbers",
     [](StatusBlock& b) { b.player.volume = INT32_MAX; }, "VolLevel", "2147483647"},
    {"any state", LiveTv, "Unknown", kWrongTextField},
    {"any state", LiveTv, "", kWrongTextField},
    {"any state", LiveTv, "SigLevel ", kWrongTextField},
    {"any state", LiveTv, "SigLeve", kWrongTextField},
};

TEST_F(TextFields, AnswerEachFieldFromTheBlock) {
    for (const Row& row : kRows) {
        SCOPED_TRACE(std::string(row.what) + ", field " + row.field);
        std::memset(&Block(), 0, sizeof(StatusBlock));
        row.state(Block());
        EXPECT_STREQ(AnswerTextField(row.field), row.answer);
    }
}

TEST_F(TextFields, AboutIsOneLineOfCredit) {
    std::string about = AnswerTextField("About");
    EXPECT_FALSE(about.empty());
    EXPECT_EQ(about.find('\n'), std::string::npos);
    EXPECT_NE(about, kWrongTextField);
}

TEST_F(TextFields, ServiceLabelKeepsPolishLettersWhileCaptionReplacesThem) {
    Put(Player().serviceLabel, "\xA3\xF3" "d\x9F");
    Put(Player().caption, "\xA3\xF3" "d\x9F");
    EXPECT_STREQ(AnswerTextField("ServiceLabel"), "\xA3\xF3" "d\x9F");
    EXPECT_STREQ(AnswerTextField("Caption"), "Lodz");
}

TEST_F(TextFields, EveryPolishLetterBecomesItsLatinLetterAndNothingElseChanges) {
    const char polish[] = "\xB9\xA5\xEA\xCA\xE6\xC6\x9C\x8C\xF3\xD3\xB3\xA3\xF1\xD1\xBF\xAF\x9F\x8F";
    const char latin[] = "aAeEcCsSoOlLnNzZzZ";
    Put(Player().caption, polish);
    EXPECT_STREQ(AnswerTextField("Caption"), latin);
    // Other Windows-1250 letters, such as the Czech and Slovak ones, pass unchanged.
    Put(Player().caption, "\x8A\x9A\xE8\xE9\xF8 \xA0");
    EXPECT_STREQ(AnswerTextField("Caption"), "\x8A\x9A\xE8\xE9\xF8 \xA0");
}

TEST_F(TextFields, AnswersReflectTheBlockAtEachCall) {
    Put(Player().serviceLabel, "One");
    EXPECT_STREQ(AnswerTextField("ServiceLabel"), "One");
    Put(Player().serviceLabel, "Two");
    EXPECT_STREQ(AnswerTextField("ServiceLabel"), "Two");
}

TEST_F(TextFields, ANullFieldNameAnswersTheErrorText) {
    EXPECT_STREQ(AnswerTextField(nullptr), kWrongTextField);
}

// The TV host may leave a text field without its terminator; the field's last byte then
// stands for it, so no answer reads into the next field or past the block.
TEST_F(TextFields, UnterminatedTextsStopAtTheirFieldsLastByte) {
    std::memset(Player().serviceLabel, 'S', sizeof Player().serviceLabel);
    std::memset(Player().providerLabel, 'P', sizeof Player().providerLabel);
    std::memset(Player().caption, 'C', sizeof Player().caption);
    std::memset(Player().eventText, 'E', sizeof Player().eventText);
    std::memset(Player().reserved1, 'R', sizeof Player().reserved1);
    std::memset(Player().filePath, 'F', sizeof Player().filePath);

    EXPECT_EQ(std::string(AnswerTextField("ServiceLabel")), std::string(31, 'S'));
    EXPECT_EQ(std::string(AnswerTextField("ProviderLabel")), std::string(31, 'P'));
    EXPECT_EQ(std::string(AnswerTextField("Caption")), std::string(159, 'C'));
    EXPECT_EQ(std::string(AnswerTextField("EPG")), std::string(1023, 'E'));
    EXPECT_STREQ(AnswerTextField("EPGNoTime"), "");
    Player().playingFile = 1;
    EXPECT_EQ(std::string(AnswerTextField("Caption")), std::string(1023, 'F'));
}

TEST_F(TextFields, ALongTitleAfterTheTimeIsAnsweredWhole) {
    std::memset(Player().eventText, 'T', sizeof Player().eventText);
    std::memcpy(Player().eventText, "20:00  ", 7);
    EXPECT_EQ(std::string(AnswerTextField("EPGNoTime")), std::string(1023 - 7, 'T'));
}

TEST_F(TextFields, AnUnmappedBlockAnswersAsAnEmptyOne) {
    vistune::ConnectDisplay(nullptr);
    EXPECT_STREQ(AnswerTextField("Type"), "TV");
    EXPECT_STREQ(AnswerTextField("ServiceLabel"), "");
    EXPECT_STREQ(AnswerTextField("SigLevel"), "0");
    EXPECT_STREQ(AnswerTextField("PlayStatus"), "STOP");
}

// The display host may call GlyphboxInit again while another of its threads answers a
// field: the block it reads must stay mapped all along.
TEST_F(TextFields, ConnectingAgainKeepsTheBlockUnderAReaderThatIsAnswering) {
    Put(Player().serviceLabel, "Jedynka");
    std::string otherName = UniqueBlockName();
    std::atomic<bool> done{false};
    std::atomic<int> wrong{0};
    std::thread reader([&] {
        while (!done.load())
            if (std::strcmp(AnswerTextField("ServiceLabel"), "Jedynka") != 0) ++wrong;
    });
    for (int init = 0; init < 200; ++init) vistune::ConnectDisplay(otherName.c_str());
    done = true;
    reader.join();
    EXPECT_EQ(wrong.load(), 0);
    EXPECT_STREQ(AnswerTextField("ServiceLabel"), "Jedynka");
}

}  // namespace
