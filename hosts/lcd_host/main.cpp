// lcdhost: stands in for the LCD control program. Loads the display plug-in, fills a
// W x H character LCD from a screen file every refresh and shows it: as dots in a terminal,
// as plain-text frames, or as a PNG picture.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <set>
#include <string>

#include "hosts/common/block_name_check.h"
#include "hosts/common/command_line.h"
#include "hosts/common/display_plugin_host.h"
#include "hosts/common/output.h"
#include "hosts/common/text_file.h"
#include "hosts/common/wall_clock.h"
#include "hosts/lcd_host/lcd_pixels.h"
#include "hosts/lcd_host/lcd_render.h"
#include "hosts/lcd_host/lcd_screen.h"
#include "hosts/lcd_host/lcdproc_link.h"
#include "hosts/lcd_host/lcdproc_view.h"
#include "hosts/lcd_host/screen_file.h"
#include "hosts/lcd_host/terminal_panel.h"
#include "platform/console.h"
#include "platform/regular_file.h"
#include "platform/arguments.h"
#include "platform/standard_streams.h"
#include "platform/stop_signal.h"

namespace {

constexpr char kTool[] = "lcdhost";

constexpr char kUsage[] =
    "usage: lcdhost [--screen FILE] [--plugin PATH] [--refresh MS] [--size WxH]\n"
    "               [--frames] [--png FILE] [--log FILE] [--seconds N] [--once]\n"
    "               [--lcdproc [HOST][:PORT]] [--ascii]\n"
    "       lcdhost --help | --version\n"
    "Shows the display plug-in's fields on an emulated LCD (default 20x4),\n"
    "refreshing no faster than the plug-in allows.\n"
    "  --screen FILE   the screen file (UTF-8, one line per LCD row; a line\n"
    "                  \"# size WxH\" gives its size); default: a TV screen\n"
    "  --plugin PATH   the display plug-in; default: vistune beside lcdhost\n"
    "  --refresh MS    milliseconds between refreshes, 1 to 3600000; never below\n"
    "                  the plug-in's minimum (1000 ms for vistune)\n"
    "  --size WxH      the LCD's size: W 1 to 80 characters, H 1 to 8 rows\n"
    "  --frames        print plain-text frames (the default when the output is no\n"
    "                  terminal)\n"
    "  --png FILE      keep FILE a picture of the current screen\n"
    "  --log FILE      append the frames to FILE, each stamped with the wall clock\n"
    "                  in ms\n"
    "  --seconds N     stop after N seconds (above 0); default: run until Ctrl-C\n"
    "  --once          draw one frame and stop\n"
    "  --lcdproc [HOST][:PORT]\n"
    "                  draw on a real display through an LCDproc server (LCDd;\n"
    "                  default 127.0.0.1:13666) instead of the terminal; --frames,\n"
    "                  --png and --log still add their output. The size is the\n"
    "                  server's unless --size is given; a lost server is\n"
    "                  reconnected to\n"
    "  --ascii         draw letters past ASCII as a plain ASCII character generator\n"
    "                  would (a box); by default the Polish letters of Windows-1250\n"
    "                  are drawn\n"
    "In a terminal the panel is drawn in dots sized to fit it, redrawn in place;\n"
    "where even the smallest dots do not fit, plain frames are drawn instead.\n";

constexpr char kDefaultScreen[] =
    "{f2:Type:1} {f1:ServiceLabel}\n"
    "{f1:EPGNoTime}\n"
    "{f2:PlayStatus:2}{f2:Record:3} Q{f1:SigQuality} L{f1:SigLevel}\n"
    "Vol {f1:VolLevel} {f1:PlayStatus}\n";

struct Options {
    std::string screenFile;
    std::string plugin = PluginBesideExecutable("vistune");
    int refreshMs = 0;
    int width = 20;
    int height = 4;
    bool sizeGiven = false;
    bool frames = !platform::StandardOutputIsTerminal();
    bool framesGiven = false;
    bool lcdproc = false;
    std::string lcdprocHost = "127.0.0.1";
    int lcdprocPort = 13666;
    std::string png;
    std::string log;
    double seconds = 0;
    bool once = false;
    bool pluginGiven = false;
    CharacterSet characters = CharacterSet::kWindows1250;
};

bool ParseSize(CommandLine& line, Options* options) {
    const char* value = line.Value("--size");
    if (!value) return false;
    if (ParseLcdSize(value, &options->width, &options->height)) return options->sizeGiven = true;
    return line.Fail(std::string("--size takes WxH with W from 1 to 80 and H from 1 to 8 (e.g. 20x4), not \"") +
                     value + "\"");
}

// Splits "[HOST][:PORT]", an IPv6 address in brackets; false when it is malformed. A host of
// several colons without brackets is an IPv6 address with no port.
bool SplitAddress(const std::string& value, std::string* host, std::optional<std::string>* port) {
    std::string rest = value;
    if (!rest.empty() && rest[0] == '[') {
        std::size_t close = rest.find(']');
        if (close == std::string::npos || close == 1) return false;
        *host = rest.substr(1, close - 1);
        rest.erase(0, close + 1);
        if (!rest.empty() && rest[0] != ':') return false;
        if (!rest.empty()) *port = rest.substr(1);
    } else if (std::size_t colon = rest.find(':'); colon != std::string::npos && rest.find(':', colon + 1) == std::string::npos) {
        *host = rest.substr(0, colon);
        *port = rest.substr(colon + 1);
    } else {
        *host = rest;
    }
    return host->find_first_of(" \t[]") == std::string::npos;
}

bool ParsePort(const std::string& text, int* port) {
    if (text.empty() || text.size() > 5 || text.find_first_not_of("0123456789") != std::string::npos) return false;
    *port = std::stoi(text);
    return *port >= 1 && *port <= 65535;
}

// The optional [HOST][:PORT] after --lcdproc: a following word that is no option.
bool ParseLcdproc(CommandLine& line, Options* options) {
    options->lcdproc = true;
    const char* next = line.Peek();
    if (!next || next[0] == '-') return true;
    std::string value = line.Next(), host;
    std::optional<std::string> port;
    int number = options->lcdprocPort;
    if (!SplitAddress(value, &host, &port) || (port && !ParsePort(*port, &number)))
        return line.Fail("--lcdproc takes [HOST][:PORT] with PORT from 1 to 65535 (e.g. 127.0.0.1:13666), not \"" +
                         value + "\"");
    if (!host.empty()) options->lcdprocHost = host;
    options->lcdprocPort = number;
    return true;
}

bool ParseOption(CommandLine& line, const std::string& word, Options* options) {
    if (word == "--frames") return options->frames = options->framesGiven = true;
    if (word == "--lcdproc") return ParseLcdproc(line, options);
    if (word == "--once") return options->once = true;
    if (word == "--ascii") return options->characters = CharacterSet::kAsciiOnly, true;
    if (word == "--size") return ParseSize(line, options);
    if (word == "--refresh") return line.Integer("--refresh", 1, 3600000, &options->refreshMs);
    if (word == "--seconds") return line.Seconds("--seconds", &options->seconds);
    options->pluginGiven = options->pluginGiven || word == "--plugin";
    std::string* text = word == "--screen" ? &options->screenFile
                        : word == "--plugin" ? &options->plugin
                        : word == "--png"    ? &options->png
                        : word == "--log"    ? &options->log
                                             : nullptr;
    return line.Text(word, text);
}

bool ParseOptions(CommandLine& line, Options* options) {
    for (const char* word = line.Next(); word; word = line.Next())
        if (!line.Once(word) || !ParseOption(line, word, options)) return false;
    return true;
}

// A screen file that says its size gets an LCD of that size unless --size is given.
bool LoadScreen(Options* given, std::vector<ScreenRow>* rows) {
    Options& options = *given;
    std::string text = kDefaultScreen;
    std::string error;
    if (!options.screenFile.empty() && !ReadUtf8TextFile(options.screenFile, &text, &error)) {
        PrintError("lcdhost: %s: %s\n", options.screenFile.c_str(), error.c_str());
        return false;
    }
    if (!options.sizeGiven) DeclaredScreenSize(text, &options.width, &options.height);
    // The built-in screen is cut to whatever size is asked for; a file must fit the LCD. A
    // server's display is measured only once it answers, and told about then.
    bool sizeKnown = !options.lcdproc || options.sizeGiven;
    if (ParseScreen(text, rows, &error) &&
        (options.screenFile.empty() || !sizeKnown || CheckScreenFits(*rows, options.width, options.height, &error)))
        return true;
    PrintError("lcdhost: %s: %s\n",
                 options.screenFile.empty() ? "built-in screen" : options.screenFile.c_str(), error.c_str());
    return false;
}

// The output files' paths are checked before anything runs, so a folder or a missing one is
// told at once, as a bad screen file is.
bool OutputPathsWritable(const Options& options) {
    for (const std::string* path : {&options.png, &options.log}) {
        std::string error;
        if (path->empty() || platform::CheckWritablePath(*path, &error)) continue;
        PrintError("lcdhost: %s: %s\n", path->c_str(), error.c_str());
        return false;
    }
    return true;
}

bool WriteFile(const std::string& path, const std::string& bytes, bool append) {
    std::string error;
    if (platform::WriteRegularFile(path, bytes, append, &error)) return true;
    PrintError("lcdhost: %s: %s\n", path.c_str(), error.c_str());
    return false;
}

// What the terminal view says around the panel.
struct PanelText {
    std::string title;
    std::string legend;
};

PanelText DescribePanel(const Options& options, const std::vector<ScreenRow>& rows, int refreshMs) {
    std::string screen = options.screenFile.empty() ? "built-in TV screen" : options.screenFile;
    std::string plugin = options.plugin.substr(options.plugin.find_last_of("/\\") + 1);
    PanelText text;
    text.title =
        "lcdhost: " + screen + " | " + plugin + " | every " + std::to_string(refreshMs) + " ms";
    if (!options.once) text.title += " | Ctrl-C ends";
    std::string slots;
    for (const ScreenRow& row : rows)
        for (const ScreenPart& part : row)
            if (part.kind == ScreenPart::Kind::kGlyph2) slots += " " + part.second + "=" + part.text;
    text.legend = slots.empty() ? "no custom characters" : "custom characters:" + slots;
    return text;
}

// The panel as big as the terminal allows, or a plain frame where no dots fit.
std::vector<std::string> TerminalLines(const LcdScreen& screen, const Options& options,
                                       const PanelText& text) {
    int columns = 80, lines = 24;
    platform::TerminalSize(&columns, &lines);
    LcdDots dots = ScreenDots(screen, options.characters);
    if (std::optional<DotStyle> style = ChooseDotStyle(dots, columns, lines))
        return PanelLines(dots, *style, columns, text.title, text.legend);
    return FramedLines(RenderFrame(screen), columns, text.title, text.legend);
}

// False when a file asked for cannot be written: the user is told once and the run ends.
bool Show(const LcdScreen& screen, const Options& options, int frame, double elapsed,
          const PanelText& text) {
    if (!options.log.empty()) {
        std::string entry = "frame " + std::to_string(frame) + " clock " + std::to_string(WallClockMs()) + "\n";
        if (!WriteFile(options.log, entry + RenderFrame(screen), true)) return false;
    } else if (options.frames && (!options.lcdproc || options.framesGiven)) {
        PrintFormat("frame %d at %.3f s\n%s", frame, elapsed, RenderFrame(screen).c_str());
    } else if (!options.lcdproc &&
               !platform::DrawTerminalScreen(TerminalLines(screen, options, text))) {
        return PrintError("lcdhost: cannot draw on the terminal\n"), false;
    }
    if (!OutputSucceeded(kTool)) return false;
    return options.png.empty() ||
           WriteFile(options.png, EncodePng(screen, 4, options.characters), false);
}

// Once per `kind`: a server that gives another size on every connection would otherwise
// repeat it at every reconnect.
void SayOnce(std::set<std::string>* said, const std::string& kind, const std::string& message) {
    if (said->insert(kind).second) PrintError("lcdhost: %s\n", message.c_str());
}

// Without --size the LCD takes the server's display size (within lcdhost's 80 x 8); a screen
// or a size that does not fit the display is told once and cut at its edges.
void MatchDisplay(const LcdprocLink& link, const Options& options, const std::vector<ScreenRow>& rows,
                  LcdScreen* screen, std::set<std::string>* said) {
    if (!link.IsConnected()) return;
    int width = link.DisplayWidth(), height = link.DisplayHeight();
    std::string display = std::to_string(width) + "x" + std::to_string(height) + " display at " + link.Address();
    if (!options.sizeGiven && (screen->Width() != std::min(width, 80) || screen->Height() != std::min(height, 8)))
        *screen = LcdScreen(std::min(width, 80), std::min(height, 8));
    std::string error;
    std::string source = options.screenFile.empty() ? "built-in screen" : options.screenFile;
    if (!CheckScreenFits(rows, width, height, &error))
        SayOnce(said, "screen cut",
                source + ": " + error.substr(0, error.find(" (see")) + " on the " + display +
                    "; the rest is cut");
    if (options.sizeGiven && (options.width > width || options.height > height))
        SayOnce(said, "size cut",
                "--size " + std::to_string(options.width) + "x" + std::to_string(options.height) +
                    " is larger than the " + display + "; the rest is cut");
}

std::unique_ptr<LcdprocLink> OpenLink(const Options& options) {
    if (!options.lcdproc) return nullptr;
    return std::make_unique<LcdprocLink>(
        options.lcdprocHost, options.lcdprocPort,
        [](const std::string& message) { PrintError("lcdhost: %s\n", message.c_str()); }, !options.once);
}

// The cursor is hidden while the panel is drawn; this gives it back however the run ends.
struct TerminalGiveBack {
    TerminalGiveBack() = default;
    TerminalGiveBack(const TerminalGiveBack&) = delete;
    TerminalGiveBack& operator=(const TerminalGiveBack&) = delete;
    ~TerminalGiveBack() { platform::EndTerminalScreen(); }
};

enum class Wake { kDue, kResized, kStopped };

// A resize is looked for this often, so the panel is redrawn to the new size at once.
constexpr long long kResizeCheckMs = 100;

// Sleeps until `until`, connecting to the server in between when its delay has passed;
// returns early when the terminal is resized or a stop (Ctrl-C, SIGTERM) comes.
Wake WaitForRefresh(std::chrono::steady_clock::time_point until, LcdprocLink* link) {
    using std::chrono::steady_clock;
    while (steady_clock::now() < until) {
        auto wake = until;
        if (link && !link->IsConnected() && link->NextAttempt() < wake) wake = link->NextAttempt();
        auto ms = std::chrono::ceil<std::chrono::milliseconds>(wake - steady_clock::now()).count();
        if (platform::SleepUnlessStopped(
                static_cast<int>(std::clamp<long long>(ms, 0, kResizeCheckMs))))
            return Wake::kStopped;
        if (platform::TerminalWasResized()) return Wake::kResized;
        if (link) link->ConnectWhenDue();
    }
    return Wake::kDue;
}

// Draws a frame every refresh until --once, --seconds, a stop or a failed output ends it.
int RunFrames(const Options& options, const std::vector<ScreenRow>& rows,
              const DisplayPluginHost& plugin, int refreshMs) {
    PanelText text = DescribePanel(options, rows, refreshMs);
    LcdScreen screen(options.width, options.height);
    std::unique_ptr<LcdprocLink> link = OpenLink(options);
    std::set<std::string> said;
    auto start = std::chrono::steady_clock::now();
    auto next = start;
    for (int frame = 1;; ++frame) {
        if (link) link->ConnectWhenDue(), MatchDisplay(*link, options, rows, &screen, &said);
        for (int row = 0; row < screen.Height(); ++row)
            screen.WriteRow(row, row < static_cast<int>(rows.size()) ? EvaluateRow(rows[row], plugin) : "");
        double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (!Show(screen, options, frame, elapsed, text)) return 1;
        if (link) link->Show(ViewOfScreen(screen, std::min(screen.Width(), link->DisplayWidth()),
                                          std::min(screen.Height(), link->DisplayHeight())));
        if (options.once || (options.seconds > 0 && elapsed >= options.seconds)) break;
        // A refresh that came late (a slow server) is not made up for with a burst.
        next = std::max(next + std::chrono::milliseconds(refreshMs), std::chrono::steady_clock::now());
        Wake wake;
        while ((wake = WaitForRefresh(next, link.get())) == Wake::kResized)
            if (!Show(screen, options, frame, elapsed, text)) return 1;
        if (wake == Wake::kStopped) break;
    }
    if (int stop = platform::StopRequested()) return stop;
    // One frame asked for and no server to draw it on: that is a failure.
    if (options.once && link && !link->IsConnected())
        return PrintError("lcdhost: nothing was drawn on LCDd at %s\n", link->Address().c_str()), 1;
    return OutputSucceeded(kTool) ? 0 : 1;
}

int Run(int argc, char** argv) {
    platform::CatchStopSignals();
    if (const char* asked = HelpOrVersionAsked(argc, argv)) return PrintHelpOrVersion(kTool, kUsage, asked);
    Options options;
    CommandLine line(argc, argv);
    if (!ParseOptions(line, &options)) return UsageError(kTool, line.Error());
    std::vector<ScreenRow> rows;
    if (!LoadScreen(&options, &rows) || !OutputPathsWritable(options)) return 2;
    if (!CheckBlockName(kTool)) return 1;
    DisplayPluginHost plugin;
    std::string error;
    if (!plugin.Load(options.plugin, &error)) {
        PrintError("lcdhost: %s\n", error.c_str());
        return options.pluginGiven ? 2 : 1;  // a file named on the line is a usage error
    }
    plugin.Init();
    // The plug-in's minimum is a floor: a faster refresh asked for is not granted.
    int refreshMs = options.refreshMs > plugin.MinRefreshInterval() ? options.refreshMs
                                                                    : plugin.MinRefreshInterval();
    // A terminal that cannot place text (TERM=dumb) gets plain frames rather than garbage.
    bool terminal = !options.frames && options.log.empty() && !options.lcdproc;
    if (terminal && !platform::BeginTerminalScreen()) options.frames = true;
    TerminalGiveBack giveBack;
    return RunFrames(options, rows, plugin, refreshMs);
}

}  // namespace

int main(int argc, char** argv) {
    platform::HoldStandardStreams();
    platform::UseUtf8Arguments(&argc, &argv);
    try {
        return Run(argc, argv);
    } catch (const std::exception& fault) {
        PrintError("lcdhost: %s\n", fault.what());
        return 1;
    }
}
