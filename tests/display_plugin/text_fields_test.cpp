#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <functional>
#include <random>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "display_plugin/answer_writer.h"
#include "display_plugin/field_text.h"
#include "display_plugin/text_fields.h"
#include "tests/display_plugin/display_fixture.h"
#include "tests/display_plugin/plain_text_model.h"

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
    // The skip must stop at the field's last byte, though the bytes after it go on.
    {"an unterminated one-word event, a space after the field",
     [](StatusBlock& b) { LiveTv(b); std::memset(b.player.eventText, 'E', 1024);
                          std::memcpy(b.player.reserved1, " R", 2); },
     "EPGNoTime", ""},
    {"an unterminated event of a time and spaces, spaces after the field",
     [](StatusBlock& b) { LiveTv(b); std::memset(b.player.eventText, ' ', 1024);
                          b.player.eventText[0] = 'E'; std::memcpy(b.player.reserved1, "  R", 3); },
     "EPGNoTime", ""},
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

// No more of a name is read than a field's name could take, terminated or not.
TEST_F(TextFields, ANameLongerThanAnyFieldsIsReadOnlySoFar) {
    char name[vistune::kLongFieldName];
    std::memset(name, 'A', sizeof name);
    EXPECT_STREQ(AnswerTextField(name), kWrongTextField);
}

// The cut falls past a whole word, where the copy moves eight bytes at a time.
TEST(AnswerWriter, CutsWhatDoesNotFitAndKeepsTheTerminator) {
    char out[32];
    std::memset(out, 0xCC, sizeof out);
    vistune::AnswerWriter(out, 23).Text("ab").Decimal(-2147483647L - 1).Text("zyxwvutsrq");
    EXPECT_STREQ(out, "ab-2147483648zyxwvutsr");
    EXPECT_EQ(out[23], '\xCC');
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

// The text fields against a plain model, on 1024-byte contents put into the event text, the
// caption (its first 160 bytes) and the file path: every byte value at each offset of the
// first 8-byte words, after a time, spaces or neither, and in the last bytes of the
// unterminated caption and event; then random texts of Polish letters, spaces and others.
TEST_F(TextFields, TextAnswersMatchAPlainModelOnGeneratedContents) {
    std::vector<std::pair<std::string, std::string>> contents;
    for (const char* prefix : {"", "20:00  ", "   "}) {
        for (int byte = 0; byte < 256; ++byte) {
            std::string what =
                std::string("prefix \"") + prefix + "\", byte " + std::to_string(byte);
            for (std::size_t at = 0; at < 24; ++at) {
                std::string text(1024, 'a');
                text.replace(0, std::strlen(prefix), prefix);
                text[at] = static_cast<char>(byte);
                text[24] = '\0';
                contents.emplace_back(what + " at " + std::to_string(at), text);
            }
            for (std::size_t last : {159, 1023}) {
                for (std::size_t at = last - 9; at <= last && *prefix != ' '; ++at) {
                    std::string text(1024, 'a');
                    text.replace(0, std::strlen(prefix), prefix);
                    text[at] = static_cast<char>(byte);
                    contents.emplace_back(what + " at " + std::to_string(at) + ", unterminated",
                                          text);
                }
            }
        }
    }
    std::mt19937 random(13);
    const std::string kPieces[] = {"\xB9", "\xA3", "\x9F", "\x8F", "\xE8", "\x80", "\xFF", " ",
                                   "  ",   "x",    "Wiadomo\x9C" "ci", "20:00", "\t", "\\", "\x7F"};
    for (int text = 0; text < 400; ++text) {
        std::string bytes;
        while (bytes.size() < 1024) bytes += kPieces[random() % std::size(kPieces)];
        bytes.resize(1024);
        if (text % 3 != 0) bytes[random() % 1024] = '\0';
        contents.emplace_back("random text " + std::to_string(text), bytes);
    }

    int failures = 0;
    for (const auto& [what, bytes] : contents) {
        std::memcpy(Player().eventText, bytes.data(), sizeof Player().eventText);
        std::memcpy(Player().caption, bytes.data(), sizeof Player().caption);
        std::memcpy(Player().filePath, bytes.data(), sizeof Player().filePath);
        std::string event = ModelTransliteratedText(Player().eventText, sizeof Player().eventText);
        // The file path holds the event text's bytes and has its width.
        std::string expected[] = {
            event, ModelTitle(event),
            ModelTransliteratedText(Player().caption, sizeof Player().caption),
            ModelFileName(event)};
        const char* const kFields[] = {"EPG", "EPGNoTime", "Caption", "Caption"};
        for (int field = 0; field < 4; ++field) {
            Player().playingFile = field == 3 ? 1 : 0;
            if (AnswerTextField(kFields[field]) == expected[field]) continue;
            ADD_FAILURE() << what << ", field " << kFields[field]
                          << (field == 3 ? " of a file" : "") << ":\n  answer "
                          << AnswerTextField(kFields[field]) << "\n  model  " << expected[field];
            ++failures;
        }
        if (failures >= 5) break;
    }
}

// A block that cannot be mapped (here: no name at all) leaves the stand-in in place.
TEST_F(TextFields, AnUnmappedBlockAnswersAsAnEmptyOne) {
    Put(Player().serviceLabel, "Jedynka");
    vistune::DisconnectDisplay();
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

TEST_F(TextFields, GlyphboxInitFromTwoThreadsAtOnceMapsTheBlockOnce) {
    Put(Player().serviceLabel, "Jedynka");
    auto connect = [] { vistune::ConnectDisplay(); };  // as GlyphboxInit does
    for (int round = 0; round < 5000; ++round, vistune::DisconnectDisplay())
        std::jthread one(connect), two(connect);
    vistune::ConnectDisplay(name_.c_str());
    EXPECT_STREQ(AnswerTextField("ServiceLabel"), "Jedynka") << "views leaked by a race";
}

}  // namespace
