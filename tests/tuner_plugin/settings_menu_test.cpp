#include <string>

#include "tests/tuner_plugin/tuner_fixture.h"
#include "tuner_plugin/plugin_menu.h"
#include "tuner_plugin/settings.h"

namespace {

using glyphbox::CurrentSettings;

class TunerSettings : public TunerTest {};

TEST(SettingsPath, LiesInPluginsBesideTheHost) {
    char path[256];
    glyphbox::SettingsPathBeside("C:\\Program Files\\TV\\tv.exe", '\\', path, sizeof path);
    EXPECT_STREQ(path, "C:\\Program Files\\TV\\Plugins\\glyphbox.ini");
    glyphbox::SettingsPathBeside("tv.exe", '\\', path, sizeof path);
    EXPECT_STREQ(path, "Plugins\\glyphbox.ini");
    glyphbox::SettingsPathBeside("/opt/tv/tvhost", '/', path, sizeof path);
    EXPECT_STREQ(path, "/opt/tv/Plugins/glyphbox.ini");
}

TEST_F(TunerSettings, NoFileGivesTheDefaultsAndExitWritesThem) {
    glyphbox::Start(host_.Window(), &character_, &integer_);
    EXPECT_EQ(character_, 'G');
    EXPECT_EQ(integer_, 0);
    EXPECT_EQ(CurrentSettings().enabled, 1);
    EXPECT_EQ(CurrentSettings().refreshInterval, 2000);
    EXPECT_EQ(CurrentSettings().signalEnabled, 1);
    glyphbox::Exit();
    EXPECT_EQ(SavedSettings(), "[Options]\r\nEnabled=1\r\nRefresh=2000\r\nSignal=1\r\n");
}

TEST_F(TunerSettings, FlagsKeepTheLowByteOfTheNumberRead) {
    StartWith("[Options]\r\nEnabled=256\r\nRefresh=500\r\nSignal=200\r\n");
    EXPECT_EQ(CurrentSettings().enabled, 0);
    EXPECT_EQ(CurrentSettings().signalEnabled, -56);
    glyphbox::Exit();
    EXPECT_EQ(SavedSettings(), "[Options]\r\nEnabled=0\r\nRefresh=500\r\nSignal=-56\r\n");
}

// Before a start (or after the last save) the plug-in holds no settings of the user's: an
// exit must not write its zeros over them, and a menu choice writes only what it changed.
TEST_F(TunerSettings, OnlySettingsLoadedOrChangedSinceTheLastSaveAreWritten) {
    const std::string users = "; mine\r\n[Options]\r\nEnabled=1\r\nRefresh=5000\r\nSignal=1\r\n";
    PutSettings(users);
    glyphbox::Exit();
    EXPECT_EQ(SavedSettings(), users) << "an exit before any start";
    glyphbox::Start(host_.Window(), nullptr, nullptr);
    glyphbox::Exit();
    const std::string edited = "; mine\r\n[Options]\r\nEnabled=1\r\nRefresh=750\r\nSignal=0\r\n";
    PutSettings(edited);
    glyphbox::Exit();
    EXPECT_EQ(SavedSettings(), edited) << "a second exit";
    glyphbox::MenuSelect(glyphbox::kEnabledItem);
    glyphbox::Exit();
    EXPECT_EQ(SavedSettings(), "; mine\r\n[Options]\r\nEnabled=0\r\nRefresh=750\r\nSignal=0\r\n");
}

TEST_F(TunerSettings, AHandEditedIntervalIsKeptAsItWasRead) {
    StartWith("[Options]\r\nRefresh=-7\r\n");
    glyphbox::Event();
    glyphbox::Exit();
    EXPECT_NE(SavedSettings().find("Refresh=-7\r\n"), std::string::npos);
}

TEST(RefreshLabel, TellsTheIntervalTruthfully) {
    const struct {
        std::int32_t interval;
        const char* label;
    } rows[] = {{2000, "Refresh: 2s"}, {10000, "Refresh: 10s"}, {1000, "Refresh: 1s"},
                {2500, "Refresh: 2s"}, {500, "Refresh: 0.5s"}, {250, "Refresh: 0.25s"},
                {5, "Refresh: 0.005s"}, {0, "Refresh: 0 ms"}, {-5, "Refresh: -5 ms"}};
    for (const auto& row : rows) {
        char label[40];
        glyphbox::FormatRefreshLabel(row.interval, label, sizeof label);
        EXPECT_STREQ(label, row.label) << row.interval;
    }
}

class TunerMenu : public TunerTest {};

TEST_F(TunerMenu, ItemsShowTheResourceStateUntilTheFirstEvent) {
    StartWith("");
    EXPECT_FALSE(host_.Checked(glyphbox::kEnabledItem));
    EXPECT_EQ(host_.Label(), "Refresh: 2000 ms");
    glyphbox::Event();
    EXPECT_TRUE(host_.Checked(glyphbox::kEnabledItem));
    EXPECT_TRUE(host_.Checked(glyphbox::kSignalItem));
    EXPECT_EQ(host_.Label(), "Refresh: 2s");
}

TEST_F(TunerMenu, TheRefreshItemStepsThroughItsCycle) {
    StartWith("");
    const char* labels[] = {"Refresh: 5s", "Refresh: 10s", "Refresh: 0.5s", "Refresh: 1s", "Refresh: 2s"};
    for (const char* label : labels) {
        glyphbox::MenuSelect(glyphbox::kRefreshItem);
        EXPECT_EQ(host_.Label(), label);
    }
    EXPECT_EQ(CurrentSettings().refreshInterval, 2000);
    CurrentSettings().refreshInterval = 3000;
    glyphbox::MenuSelect(glyphbox::kRefreshItem);
    EXPECT_EQ(CurrentSettings().refreshInterval, 3000);
    EXPECT_EQ(host_.Label(), "Refresh: 3s");
}

TEST_F(TunerMenu, TogglesTurnOneToZeroAndAnythingElseToOne) {
    StartWith("[Options]\r\nSignal=5\r\n");
    glyphbox::MenuSelect(glyphbox::kEnabledItem);
    EXPECT_EQ(CurrentSettings().enabled, 0);
    EXPECT_FALSE(host_.Checked(glyphbox::kEnabledItem));
    glyphbox::MenuSelect(glyphbox::kEnabledItem);
    EXPECT_EQ(CurrentSettings().enabled, 1);
    EXPECT_TRUE(host_.Checked(glyphbox::kEnabledItem));
    EXPECT_TRUE(host_.Checked(glyphbox::kSignalItem));  // 5 shows a mark
    glyphbox::MenuSelect(glyphbox::kSignalItem);
    EXPECT_EQ(CurrentSettings().signalEnabled, 1);
}

TEST_F(TunerMenu, OtherItemsOnlyStartTheWorkerAndRefreshTheItems) {
    StartWith("");
    glyphbox::MenuSelect(12345);
    EXPECT_TRUE(glyphbox::WorkerStarted());
    EXPECT_EQ(host_.Label(), "Refresh: 2s");
    EXPECT_EQ(CurrentSettings().enabled, 1);
}

}  // namespace
