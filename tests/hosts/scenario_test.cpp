#include <gtest/gtest.h>

#include <string>

#include "hosts/common/text_file.h"
#include "hosts/tv_host/scenario.h"
#include "hosts/tv_host/tv_state.h"

namespace {

TEST(Scenario, TheBuiltInScenarioIsValid) {
    Scenario scenario;
    std::string error;
    ASSERT_TRUE(ParseScenario(DefaultScenarioText(), &scenario, &error)) << error;
    EXPECT_GE(scenario.services.size(), 3u);
    EXPECT_EQ(scenario.events.back().action, Action::kQuit);
    EXPECT_EQ(scenario.services[0].name, "TVP \xA3\xF3" "d\x9F");  // stored as Windows-1250
}

TEST(Scenario, EventsAreSortedByTimeAndKeepTheirValues) {
    Scenario scenario;
    std::string error;
    ASSERT_TRUE(ParseScenario("service tv 7 \"A\" \"P\" \"\"\n"
                              "at 2 volume 30\nat 0.5 zap 7 # comment\nat 1 record on\n"
                              "at 1.5 file \"D:\\rec\\a.ts\"\n",
                              &scenario, &error))
        << error;
    ASSERT_EQ(scenario.events.size(), 4u);
    EXPECT_EQ(scenario.events[0].atMs, 500);
    EXPECT_EQ(scenario.events[0].value, 7);
    EXPECT_EQ(scenario.events[1].action, Action::kRecord);
    EXPECT_EQ(scenario.events[1].value, 1);
    EXPECT_EQ(scenario.events[2].text, "D:\\rec\\a.ts");
    EXPECT_EQ(scenario.events[3].value, 30);
}

TEST(Scenario, MistakesAreReportedWithTheirLine) {
    const struct {
        const char* text;
        const char* message;
    } rows[] = {
        {"service tv 1 \"A\" \"P\" \"\"\nfrobnicate\n", "line 2: unknown command \"frobnicate\""},
        {"service satellite 1 \"A\" \"P\" \"\"\n", "line 1: a service is tv, radio or other"},
        {"service tv 1 \"A\" \"P\"\n", "line 1: service takes 5 value(s)"},
        {"service tv 1 \"A\n", "line 1: a text is not closed"},
        {"service tv 1 \"" "0123456789012345678901234567890123" "\" \"P\" \"\"\n", "line 1: the name is longer than 31"},
        {"service tv 1 \"日本\" \"P\" \"\"\n", "line 1: \"日\" has no Windows-1250 byte"},
        {"service tv 1 \"A\" \"P\" \"\"\nat soon quit\n", "line 2: \"soon\" is not a time"},
        {"service tv 1 \"A\" \"P\" \"\"\nat 1 record maybe\n", "line 2: record is on or off"},
        {"service tv 1 \"A\" \"P\" \"\"\nat 1 dance\n", "line 2: unknown event \"dance\""},
        {"service tv 1 \"A\" \"P\" \"\"\nat 1 zap 9\n", "line 2: no service has the number 9"},
        {"service tv 1 \"A \"B\" \"C\"\n", "line 1: a quote ends the text \"A \" early"},
        {"service tv 1 A\"B \"P\" \"\"\n", "line 1: a quote inside the word A\"B"},
        {"service tv 1 \"A\" \"P\" \"\"\nservice radio 1 \"B\" \"P\" \"\"\n", "line 2: another service already has the number 1"},
        {"service tv 1 \"A\" \"P\" \"\"\nvolume 150\n", "line 2: the volume is 0 to 100, not 150"},
        {"service tv 1 \"A\" \"P\" \"\"\nvolume -1\n", "line 2: the volume is 0 to 100, not -1"},
        {"service tv 1 \"A\" \"P\" \"\"\nsignal 200 50\n", "line 2: the quality is 0 to 100, not 200"},
        {"service tv 1 \"A\" \"P\" \"\"\nsignal 50 101\n", "line 2: the level is 0 to 100"},
        {"service tv 1 \"A\" \"P\" \"\"\nat 1 volume 101\n", "line 2: the volume is 0 to 100"},
        {"service tv 1 \"A\" \"P\" \"\"\nat 1 menu 12345\n", "line 2: the plug-in's menu items are 40060 to 40063"},
        {"# nothing\n", "the scenario has no service"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.text);
        Scenario scenario;
        std::string error;
        EXPECT_FALSE(ParseScenario(row.text, &scenario, &error));
        EXPECT_NE(error.find(row.message), std::string::npos) << error;
    }
}

// Each text must leave its block field room for the terminator, and is never stored cut.
TEST(Scenario, ATextOneByteShortOfItsFieldIsKeptWholeAndOneMoreIsRefused) {
    const struct {
        const char* what;
        std::size_t width;
        std::string (*scenario)(const std::string& text);
        std::string (*stored)(const Scenario& scenario);
    } rows[] = {
        {"the name", 32,
         [](const std::string& t) { return "service tv 1 \"" + t + "\" \"P\" \"\"\n"; },
         [](const Scenario& s) { return s.services[0].name; }},
        {"the provider", 32,
         [](const std::string& t) { return "service tv 1 \"A\" \"" + t + "\" \"\"\n"; },
         [](const Scenario& s) { return s.services[0].provider; }},
        {"the event", 1024,
         [](const std::string& t) { return "service tv 1 \"A\" \"P\" \"" + t + "\"\n"; },
         [](const Scenario& s) { return s.services[0].event; }},
        {"the path", 1024,
         [](const std::string& t) {
             return "service tv 1 \"A\" \"P\" \"\"\nat 1 file \"" + t + "\"\n";
         },
         [](const Scenario& s) { return s.events[0].text; }},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        std::string fits(row.width - 1, 'x');
        Scenario scenario;
        std::string error;
        ASSERT_TRUE(ParseScenario(row.scenario(fits), &scenario, &error)) << error;
        EXPECT_EQ(row.stored(scenario), fits);
        // Windows-1250 counts: a Polish letter is two bytes of UTF-8 but one in the block.
        EXPECT_FALSE(ParseScenario(row.scenario(fits + "\xC5\x82"), &scenario, &error));
        EXPECT_NE(
            error.find(std::string(row.what) + " is longer than " + std::to_string(row.width - 1)),
            std::string::npos)
            << error;
    }
}

// What reaches a parser must be text a person wrote: every fault names its line and never
// echoes the offending bytes.
TEST(TextFile, OnlyUtf8TextIsAcceptedAndAByteOrderMarkIsDropped) {
    const struct {
        std::string text;
        const char* message;  // null: accepted
        const char* after;    // the text handed on
    } rows[] = {
        {"\xEF\xBB\xBFservice", nullptr, "service"},
        {"Łódź\tok\r\n", nullptr, "Łódź\tok\r\n"},
        {"\xFF\xFEs\0", "the file is UTF-16", nullptr},
        {std::string("ok\nA\0B", 6), "line 2: a NUL byte", nullptr},
        {"ok\n\nx\x1B[2J", "line 3: control character 27", nullptr},
        {"\xB3\xF3" "d\xBC", "line 1: the text is not UTF-8", nullptr},
        {"\xC0\xAF", "line 1: the text is not UTF-8", nullptr},        // an overlong "/"
        {"\xED\xA0\x80", "line 1: the text is not UTF-8", nullptr},    // a surrogate
        {"\xF4\x90\x80\x80", "line 1: the text is not UTF-8", nullptr},  // past U+10FFFF
        {"ab\xC5", "line 1: the text is not UTF-8", nullptr},           // cut off
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.text);
        std::string text = row.text, error;
        bool accepted = CheckUtf8Text(&text, &error);
        EXPECT_EQ(accepted, row.message == nullptr) << error;
        if (row.message) {
            EXPECT_NE(error.find(row.message), std::string::npos) << error;
        }
        if (row.after) {
            EXPECT_EQ(text, row.after);
        }
        for (char c : error) EXPECT_TRUE(c >= 0x20 && c < 0x7F) << "the message repeats a raw byte";
    }
}

TEST(TvState, AnswersTheQueriesFromTheCurrentService) {
    Scenario scenario;
    std::string error;
    ASSERT_TRUE(ParseScenario("service tv 1 \"Jedynka\" \"P\" \"20:00  News\"\n"
                              "service radio 2 \"Dwójka\" \"P\" \"\"\nvolume 33\n",
                              &scenario, &error));
    TvState state(scenario);
    PlayerRecord player{};
    state.Apply({0, Action::kZap, 2, {}});
    state.Apply({0, Action::kRecord, 1, {}});
    state.Apply({0, Action::kPause, 0, {}});
    state.FillPlayer(&player);
    EXPECT_STREQ(player.serviceLabel, "Dw\xF3jka");
    EXPECT_EQ(player.serviceKind, kServiceRadio);
    EXPECT_EQ(player.channelNumber, 2);
    EXPECT_EQ(player.recording, 1);
    EXPECT_EQ(player.playState, kPlayPaused);
    EXPECT_EQ(player.volume, 33);
    state.Apply({0, Action::kFile, 0, "D:\\a.ts"});
    state.FillPlayer(&player);
    EXPECT_EQ(player.playingFile, 1);
    EXPECT_STREQ(player.filePath, "D:\\a.ts");
    state.Apply({0, Action::kLive, 0, {}});
    state.FillPlayer(&player);
    EXPECT_EQ(player.playingFile, 0);
    EXPECT_STREQ(player.filePath, "");
}

}  // namespace
