// tvhost: stands in for the DVB viewer. Loads the tuner plug-in, carries its menu items,
// answers its queries from a scenario and plays the scenario's events on a clock.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "hosts/common/block_name_check.h"
#include "hosts/common/command_line.h"
#include "hosts/common/display_plugin_host.h"
#include "hosts/common/output.h"
#include "hosts/common/text_file.h"
#include "hosts/common/wall_clock.h"
#include "hosts/tv_host/scenario.h"
#include "hosts/tv_host/settings_check.h"
#include "hosts/tv_host/tuner_plugin_host.h"
#include "hosts/tv_host/tv_state.h"
#include "platform/regular_file.h"
#include "platform/arguments.h"
#include "platform/standard_streams.h"
#include "platform/stop_signal.h"
#include "platform/tv_window.h"

namespace {

constexpr int kTickMs = 100;
constexpr std::uint32_t kSignalQuery = 0x01022001;
constexpr std::uint32_t kPlayerQuery = 0x01023011;

constexpr char kTool[] = "tvhost";

constexpr char kUsage[] =
    "usage: tvhost [--scenario FILE] [--plugin PATH] [--seconds N] [--quiet]\n"
    "              [--log FILE]\n"
    "       tvhost --help | --version\n"
    "Loads the tuner plug-in and plays a scenario; ends at the scenario's quit event\n"
    "or after N seconds, whichever comes first.\n"
    "  --scenario FILE  the scenario (UTF-8); default: the built-in one, about 30 s\n"
    "  --plugin PATH    the tuner plug-in; default: glyphbox beside tvhost\n"
    "  --seconds N      stop after N seconds (above 0; e.g. 30 or 2.5)\n"
    "  --quiet          print nothing while running (the About box included)\n"
    "  --log FILE       append each event played to FILE, stamped with the wall\n"
    "                   clock in ms\n";

struct Options {
    std::string scenarioFile;
    std::string plugin = PluginBesideExecutable("glyphbox");
    double seconds = 0;
    bool quiet = false;
    std::string log;
    bool pluginGiven = false;
};

class TvHost {
public:
    TvHost(Scenario scenario, const TunerPluginHost& plugin, const Options& options)
        : state_(scenario), events_(std::move(scenario.events)), plugin_(plugin), options_(options) {}

    // A stop (Ctrl-C, SIGTERM) or a failed output ends the run as its own end does: the
    // plug-in gets On_Exit, saves its settings and lets the block go.
    int Run() {
        platform::TvWindowEvents handlers{this, &TvHost::Query, &TvHost::MenuChosen, &TvHost::Tick,
                                          &TvHost::Show};
        window_ = platform::OpenTvWindow("tvhost", plugin_.Library(), handlers);
        if (!window_) {
            PrintError("tvhost: cannot open the host window\n");
            return 1;
        }
        start_ = std::chrono::steady_clock::now();
        plugin_.Start(platform::TvWindowHandle(window_));
        plugin_.ChannelChange();  // the host tunes its first service
        platform::RunTvWindow(window_, kTickMs);
        bool enabled = platform::TvMenuItemChecked(window_, 40061);
        bool signal = platform::TvMenuItemChecked(window_, 40062);
        plugin_.Exit();
        platform::CloseTvWindow(window_);
        TellIfSettingsWereLost(enabled, signal);
        if (failed_ || !OutputSucceeded(kTool)) return 1;
        return platform::StopRequested();
    }

private:
    void TellIfSettingsWereLost(bool enabled, bool signal) {
        std::string path;
        if (PluginSettingsSaved(enabled, signal, &path)) return;
        std::fprintf(stderr,
                     "tvhost: the plug-in could not save its settings in %s (is the disk full or "
                     "read-only?); the changes made in this run are lost\n",
                     path.c_str());
        failed_ = true;
    }

    static TvHost& Self(void* context) { return *static_cast<TvHost*>(context); }

    static void Query(void* context, std::uint32_t command, void* record) {
        if (command == kSignalQuery) Self(context).state_.FillSignal(static_cast<SignalRecord*>(record));
        if (command == kPlayerQuery) Self(context).state_.FillPlayer(static_cast<PlayerRecord*>(record));
    }

    static void MenuChosen(void* context, int commandId) { Self(context).plugin_.MenuSelect(commandId); }

    static bool Tick(void* context) { return Self(context).Advance(); }

    static void Show(void* context, const char* text) {
        if (!Self(context).options_.quiet) Print(text);
    }

    int ElapsedMs() const {
        return static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                    std::chrono::steady_clock::now() - start_).count());
    }

    // Plays the events that are due; false once the scenario or the time limit ends.
    bool Advance() {
        if (platform::StopRequested() || failed_ || !OutputSucceeded(kTool)) return false;
        int now = ElapsedMs();
        state_.Drift(now / 1000);
        while (next_ < events_.size() && events_[next_].atMs <= now) {
            const TimedEvent& event = events_[next_++];
            if (event.action == Action::kQuit) return false;
            Play(event);
        }
        Report();
        if (platform::StopRequested()) return false;
        return options_.seconds <= 0 || now < options_.seconds * 1000;
    }

    // The wall clock lets another process's log be matched against this one. A log that
    // cannot be written ends the run: its reader would otherwise wait for lines that never come.
    void Log(const TimedEvent& event) {
        if (options_.log.empty() || failed_) return;
        static const char* const kNames[] = {"zap", "pause", "play", "stop", "record", "mute",
                                             "volume", "file", "live", "menu", "quit"};
        std::string line = std::string("event ") + kNames[static_cast<int>(event.action)] + " " +
                           std::to_string(event.value) + " clock " + std::to_string(WallClockMs()) +
                           "\n";
        std::string error;
        if (platform::WriteRegularFile(options_.log, line, true, &error)) return;
        PrintError("tvhost: %s: %s\n", options_.log.c_str(), error.c_str());
        failed_ = true;
    }

    void Play(const TimedEvent& event) {
        Log(event);
        if (event.action == Action::kMenu) {
            platform::ChooseTvMenuItem(window_, event.value);
            return;
        }
        state_.Apply(event);
        if (event.action == Action::kZap) plugin_.ChannelChange();
        if (event.action == Action::kRecord || event.action == Action::kFile) plugin_.RecPlay();
    }

    // The plug-in's items as the menu shows them: "[x] Enabled  [x] Signal read-out  Refresh: 2s".
    std::string DescribeMenu() const {
        std::string line;
        for (int item : {40061, 40062}) {
            line += platform::TvMenuItemChecked(window_, item) ? "[x] " : "[ ] ";
            line += platform::TvMenuItemText(window_, item) + "  ";
        }
        return line + platform::TvMenuItemText(window_, 40063);
    }

    // A line whenever what a person would see changes: the player's state and the menu on
    // lines of their own, so neither wraps in an 80-column console.
    void Report() {
        if (options_.quiet) return;
        std::string state = state_.Describe(), menu = "menu: " + DescribeMenu();
        for (auto [line, last] : {std::pair{&state, &lastState_}, std::pair{&menu, &lastMenu_}}) {
            if (*line == *last) continue;
            *last = *line;
            PrintFormat("[tvhost %5.1fs] %s\n", ElapsedMs() / 1000.0, line->c_str());
        }
    }

    TvState state_;
    std::vector<TimedEvent> events_;
    std::size_t next_ = 0;
    const TunerPluginHost& plugin_;
    const Options& options_;
    platform::TvWindow* window_ = nullptr;
    std::chrono::steady_clock::time_point start_;
    std::string lastState_;
    std::string lastMenu_;
    bool failed_ = false;
};

bool ParseOption(CommandLine& line, const std::string& word, Options* options) {
    if (word == "--quiet") return options->quiet = true;
    if (word == "--seconds") return line.Seconds("--seconds", &options->seconds);
    options->pluginGiven = options->pluginGiven || word == "--plugin";
    std::string* text = word == "--scenario" ? &options->scenarioFile
                        : word == "--plugin" ? &options->plugin
                        : word == "--log"    ? &options->log
                                             : nullptr;
    return line.Text(word, text);
}

bool ParseOptions(CommandLine& line, Options* options) {
    for (const char* word = line.Next(); word; word = line.Next())
        if (!line.Once(word) || !ParseOption(line, word, options)) return false;
    return true;
}

// The log's path is checked before anything runs, so a folder or a missing one is told at once
// rather than after the plug-in has started.
bool LogWritable(const Options& options) {
    std::string error;
    if (options.log.empty() || platform::CheckWritablePath(options.log, &error)) return true;
    PrintError("tvhost: %s: %s\n", options.log.c_str(), error.c_str());
    return false;
}

bool LoadScenario(const Options& options, Scenario* scenario) {
    std::string text(DefaultScenarioText());
    std::string error;
    if (!options.scenarioFile.empty() && !ReadUtf8TextFile(options.scenarioFile, &text, &error)) {
        PrintError("tvhost: %s: %s\n", options.scenarioFile.c_str(), error.c_str());
        return false;
    }
    if (ParseScenario(text, scenario, &error)) return true;
    const char* source = options.scenarioFile.empty() ? "built-in scenario" : options.scenarioFile.c_str();
    PrintError("tvhost: %s: %s\n", source, error.c_str());
    return false;
}

int Run(int argc, char** argv) {
    platform::CatchStopSignals();
    if (const char* asked = HelpOrVersionAsked(argc, argv)) return PrintHelpOrVersion(kTool, kUsage, asked);
    Options options;
    CommandLine line(argc, argv);
    if (!ParseOptions(line, &options)) return UsageError(kTool, line.Error());
    Scenario scenario;
    if (!LoadScenario(options, &scenario) || !LogWritable(options)) return 2;
    if (!CheckBlockName(kTool)) return 1;
    TunerPluginHost plugin;
    std::string error;
    if (!plugin.Load(options.plugin, &error)) {
        PrintError("tvhost: %s\n", error.c_str());
        return options.pluginGiven ? 2 : 1;  // a file named on the line is a usage error
    }
    if (!options.quiet) Print("[tvhost] loaded " + plugin.Name() + "\n");
    return TvHost(std::move(scenario), plugin, options).Run();
}

}  // namespace

int main(int argc, char** argv) {
    platform::HoldStandardStreams();
    platform::UseUtf8Arguments(&argc, &argv);
    try {
        return Run(argc, argv);
    } catch (const std::exception& fault) {
        PrintError("tvhost: %s\n", fault.what());
        return 1;
    }
}
