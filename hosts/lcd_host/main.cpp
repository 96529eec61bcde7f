// lcdhost: stands in for the LCD control program. Loads the display plug-in, fills a
// W x H character LCD from a screen file every refresh and shows it: as dots in a terminal,
// as plain-text frames, or as a PNG picture.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>

#include "hosts/common/display_plugin_host.h"
#include "hosts/common/text_file.h"
#include "hosts/common/wall_clock.h"
#include "hosts/lcd_host/lcd_pixels.h"
#include "hosts/lcd_host/lcd_render.h"
#include "hosts/lcd_host/lcd_screen.h"
#include "hosts/lcd_host/screen_file.h"
#include "platform/console.h"

namespace {

constexpr char kUsage[] =
    "usage: lcdhost [--screen FILE] [--plugin PATH] [--refresh MS] [--size WxH]\n"
    "               [--frames] [--png FILE] [--log FILE] [--seconds N] [--once]\n"
    "Shows the display plug-in's fields on an emulated LCD (default 20x4), refreshing no\n"
    "faster than the plug-in allows. --frames prints plain-text frames (the default when\n"
    "the output is no terminal); --png keeps FILE a picture of the current screen; --log\n"
    "writes the frames to FILE instead, each stamped with the wall clock in milliseconds.\n";

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
    bool frames = !platform::StandardOutputIsTerminal();
    std::string png;
    std::string log;
    double seconds = 0;
    bool once = false;
};

bool ParseOptions(int argc, char** argv, Options* options) {
    for (int i = 1; i < argc; ++i) {
        std::string word = argv[i];
        bool hasValue = i + 1 < argc;
        if (word == "--screen" && hasValue) options->screenFile = argv[++i];
        else if (word == "--plugin" && hasValue) options->plugin = argv[++i];
        else if (word == "--refresh" && hasValue) options->refreshMs = std::atoi(argv[++i]);
        else if (word == "--size" && hasValue) {
            if (std::sscanf(argv[++i], "%dx%d", &options->width, &options->height) != 2) return false;
            if (options->width < 1 || options->width > 80 || options->height < 1 || options->height > 8) return false;
        } else if (word == "--frames") options->frames = true;
        else if (word == "--png" && hasValue) options->png = argv[++i];
        else if (word == "--log" && hasValue) options->log = argv[++i];
        else if (word == "--seconds" && hasValue) options->seconds = std::atof(argv[++i]);
        else if (word == "--once") options->once = true;
        else return false;
    }
    return true;
}

bool LoadScreen(const Options& options, std::vector<ScreenRow>* rows) {
    std::string text = kDefaultScreen;
    if (!options.screenFile.empty() && !ReadTextFile(options.screenFile, &text)) {
        std::fprintf(stderr, "lcdhost: cannot read %s\n", options.screenFile.c_str());
        return false;
    }
    std::string error;
    if (ParseScreen(text, rows, &error)) return true;
    std::fprintf(stderr, "lcdhost: %s: %s\n",
                 options.screenFile.empty() ? "built-in screen" : options.screenFile.c_str(), error.c_str());
    return false;
}

void Show(const LcdScreen& screen, const Options& options, int frame, double elapsed) {
    if (!options.log.empty()) {
        std::ofstream out(options.log, std::ios::binary | std::ios::app);
        out << "frame " << frame << " clock " << WallClockMs() << "\n" << RenderFrame(screen);
    } else if (options.frames) {
        std::printf("frame %d at %.3f s\n%s", frame, elapsed, RenderFrame(screen).c_str());
    } else {
        std::printf("\x1b[H\x1b[2J%s", RenderBigPixels(screen).c_str());
    }
    std::fflush(stdout);
    if (!options.png.empty()) {
        std::ofstream out(options.png, std::ios::binary | std::ios::trunc);
        out << EncodePng(screen, 4);
    }
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (!ParseOptions(argc, argv, &options)) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    std::vector<ScreenRow> rows;
    if (!LoadScreen(options, &rows)) return 2;
    DisplayPluginHost plugin;
    std::string error;
    if (!plugin.Load(options.plugin, &error)) {
        std::fprintf(stderr, "lcdhost: %s\n", error.c_str());
        return 1;
    }
    plugin.Init();
    // The plug-in's minimum is a floor: a faster refresh asked for is not granted.
    int refreshMs = options.refreshMs > plugin.MinRefreshInterval() ? options.refreshMs : plugin.MinRefreshInterval();
    LcdScreen screen(options.width, options.height);
    auto start = std::chrono::steady_clock::now();
    auto next = start;
    for (int frame = 1;; ++frame) {
        for (int row = 0; row < screen.Height(); ++row)
            screen.WriteRow(row, row < static_cast<int>(rows.size()) ? EvaluateRow(rows[row], plugin) : "");
        double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        Show(screen, options, frame, elapsed);
        if (options.once || (options.seconds > 0 && elapsed >= options.seconds)) break;
        next += std::chrono::milliseconds(refreshMs);
        std::this_thread::sleep_until(next);
    }
    return 0;
}
