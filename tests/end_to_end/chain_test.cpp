// Both hosts as separate processes with the real plug-ins between them, natively and under
// Wine: what the LCD shows after what the TV host did, matched by the wall clock.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/child_process.h"
#include "hosts/common/beside_executable.h"
#include "platform/executable_path.h"
#include "tests/support/temp_folder.h"
#include "tests/support/product_file.h"

namespace {

constexpr int kRunTimeoutMs = 90000;
// One polling interval (500 ms) plus one display refresh (1000 ms), with a refresh and a
// half of slack for a busy machine (the sanitizer runs share it with other tests).
constexpr long long kLabelBoundMs = 3000;

struct Frame {
    long long clock;
    std::vector<std::string> rows;
};

struct Event {
    std::string name;
    int value;
    long long clock;
};

std::vector<Frame> ReadFrames(const std::string& log) {
    std::vector<Frame> frames;
    std::istringstream in(TempFolder::Get(log));
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind("frame ", 0) == 0) {
            frames.push_back({std::stoll(line.substr(line.find("clock ") + 6)), {}});
        } else if (!frames.empty() && line.size() >= 2 && line.front() == '|') {
            frames.back().rows.push_back(line.substr(1, line.size() - 2));
        }
    }
    return frames;
}

std::vector<Event> ReadEvents(const std::string& log) {
    std::vector<Event> events;
    std::istringstream in(TempFolder::Get(log));
    std::string word, name;
    int value = 0;
    long long clock = 0;
    while (in >> word >> name >> value >> word >> clock) events.push_back({name, value, clock});
    return events;
}

bool Shows(const Frame& frame, const std::string& text) {
    for (const std::string& row : frame.rows)
        if (row.find(text) != std::string::npos) return true;
    return false;
}

class Chain : public ::testing::Test {
protected:
    void SetUp() override {
        tvhost_ = CopyTvHostInto(folder_.Path());
        settings_ = folder_.File("Plugins") + platform::kPathSeparator + "glyphbox.ini";
        TempFolder::Put(settings_, "[Options]\r\nEnabled=1\r\nRefresh=500\r\nSignal=1\r\n");
        TempFolder::Put(screen_, "{f1:ServiceLabel}|{f1:Caption}\n{f1:EPG}\n{f2:Record:1}|{f1:IsRunning}\n{f1:Type}\n");
    }

    platform::ChildProcess StartTvHost(const std::string& scenario) {
        TempFolder::Put(scenarioFile_, scenario);
        const char* args[] = {"--scenario", scenarioFile_.c_str(), "--quiet", "--log", events_.c_str(), nullptr};
        return platform::StartChild(tvhost_.c_str(), args);
    }
    platform::ChildProcess StartLcdHost(const char* seconds) {
        const char* args[] = {"--screen", screen_.c_str(), "--size", "40x4", "--log", frames_.c_str(),
                              "--seconds", seconds, nullptr};
        return platform::StartChild(ProductProgram("lcdhost").c_str(), args);
    }

    TempFolder folder_;
    std::string tvhost_;
    std::string settings_;
    std::string screen_ = folder_.File("screen.txt");
    std::string scenarioFile_ = folder_.File("scenario.txt");
    std::string events_ = folder_.File("events.log");
    std::string frames_ = folder_.File("frames.log");
};

TEST_F(Chain, TheLcdFollowsTheTvHost) {
    platform::ChildProcess tv = StartTvHost(
        "service tv 1 \"Jedynka\" \"P\" \"20:00  Wiadomości\"\n"
        "service tv 2 \"Dwójka\" \"P\" \"21:00  Teatr Telewizji\"\n"
        "at 0 record on\nat 3 zap 2\nat 7 menu 40061\nat 11 quit\n");
    ASSERT_TRUE(tv.running);
    platform::ChildProcess lcd = StartLcdHost("10");
    ASSERT_TRUE(lcd.running);
    ASSERT_EQ(platform::WaitChild(lcd, kRunTimeoutMs), 0);
    ASSERT_EQ(platform::WaitChild(tv, kRunTimeoutMs), 0);

    std::vector<Frame> frames = ReadFrames(frames_);
    std::vector<Event> events = ReadEvents(events_);
    ASSERT_GE(frames.size(), 8u);
    long long zap = 0, disable = 0;
    for (const Event& event : events) {
        if (event.name == "zap") zap = event.clock;
        if (event.name == "menu") disable = event.clock;
    }
    ASSERT_NE(zap, 0);
    ASSERT_NE(disable, 0);

    bool sawOld = false, sawNewInTime = false, sawRecordMark = false, sawRecordGap = false;
    for (const Frame& frame : frames) {
        if (frame.clock < zap && Shows(frame, "Jedynka|Jedynka")) sawOld = true;
        // The label arrives untouched, while Caption and EPG lose their Polish letters.
        if (frame.clock >= zap && frame.clock <= zap + kLabelBoundMs && Shows(frame, "Dwójka|Dwojka"))
            sawNewInTime = true;
        if (frame.clock > zap + kLabelBoundMs) {
            EXPECT_TRUE(Shows(frame, "Dwójka|Dwojka")) << frame.rows[0];
            EXPECT_TRUE(Shows(frame, "21:00  Teatr Telewizji"));
        }
        if (frame.clock < zap && frame.clock > frames.front().clock + 1500) {
            EXPECT_TRUE(Shows(frame, "20:00  Wiadomosci")) << frame.rows[1];
        }
        if (Shows(frame, "①|")) sawRecordMark = true;
        if (Shows(frame, " |1")) sawRecordGap = true;
        if (frame.clock > disable + kLabelBoundMs) {
            EXPECT_EQ(frame.rows[2].substr(frame.rows[2].find('|') + 1, 1), "0") << "IsRunning";
        }
    }
    EXPECT_TRUE(sawOld);
    EXPECT_TRUE(sawNewInTime) << "no frame showed the new service within " << kLabelBoundMs << " ms";
    EXPECT_TRUE(sawRecordMark);
    EXPECT_TRUE(sawRecordGap) << "the record mark never blinked off";
}

TEST_F(Chain, AnLcdStartedAloneShowsTheEmptyBlockThenTheTvHostArrives) {
    // Long enough for a TV host that a busy machine starts slowly to reach its first poll.
    platform::ChildProcess lcd = StartLcdHost("20");
    ASSERT_TRUE(lcd.running);
    // The TV host comes once the display has drawn the empty block.
    for (int wait = 0; wait < 600 && ReadFrames(frames_).empty(); ++wait)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    platform::ChildProcess tv = StartTvHost("service radio 3 \"Trójka\" \"P\" \"\"\nat 6 quit\n");
    ASSERT_TRUE(tv.running);
    ASSERT_EQ(platform::WaitChild(lcd, kRunTimeoutMs), 0);
    ASSERT_EQ(platform::WaitChild(tv, kRunTimeoutMs), 0);
    std::vector<Frame> frames = ReadFrames(frames_);
    ASSERT_GE(frames.size(), 3u);
    // An empty block: no label, service kind TV, not running.
    EXPECT_EQ(frames[0].rows[0].substr(0, 2), "| ");
    EXPECT_EQ(frames[0].rows[2].substr(0, 3), " |0");
    EXPECT_EQ(frames[0].rows[3].substr(0, 2), "TV");
    EXPECT_TRUE(Shows(frames.back(), "Trójka|Trojka"));
    EXPECT_TRUE(Shows(frames.back(), "RADIO"));
}

}  // namespace
