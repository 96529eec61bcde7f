// How long the display plug-in takes to answer each field from a filled block.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>

#include "display_plugin/display_state.h"
#include "display_plugin/glyph_fields.h"
#include "display_plugin/text_fields.h"
#include "platform/child_process.h"
#include "status_block/shared_block_mapping.h"

namespace {

const char* const kTextFields[] = {
    "SigLevel", "SigQuality", "IsRunning", "Type",      "Caption",  "ServiceLabel",
    "ProviderLabel", "ChannelNumber", "PlayStatus", "EPG", "EPGNoTime", "VolLevel",
    "VolMute", "About", "Version", "Record", "NoSuchField"};
const char* const kGlyphFields[] = {"IsRunning", "Type", "PlayStatus", "Record", "NoSuchField"};

// A block as the TV host leaves it during a live programme with a long event title.
SharedBlockMapping& FilledBlock() {
    static SharedBlockMapping mapping;
    if (mapping.View()) return mapping;
    std::string name = "glyphbox-bench-" + std::to_string(platform::CurrentProcessId());
    mapping.Create(name.c_str());
    vistune::ConnectDisplay(name.c_str());
    PlayerRecord& player = mapping.View()->player;
    player.recording = 1;
    player.playState = kPlayPlaying;
    std::snprintf(player.serviceLabel, sizeof player.serviceLabel, "Kana\xB3 \xA3\xF3" "d\x9F");
    std::snprintf(player.caption, sizeof player.caption, "Kana\xB3 \xA3\xF3" "d\x9F HD");
    std::snprintf(player.eventText, sizeof player.eventText,
                  "20:00  Wiadomo\x9C" "ci: %s", std::string(200, 'x').c_str());
    std::snprintf(player.filePath, sizeof player.filePath, "D:\\nagrania\\\xAF" "u\xBF" "el.ts");
    return mapping;
}

void TextField(benchmark::State& state, const char* name) {
    FilledBlock();
    for (auto _ : state) benchmark::DoNotOptimize(vistune::AnswerTextField(name));
}

void GlyphField(benchmark::State& state, const char* name) {
    FilledBlock();
    for (auto _ : state) benchmark::DoNotOptimize(vistune::AnswerGlyphField(name, "3"));
}

int RegisterAll() {
    for (const char* name : kTextFields)
        benchmark::RegisterBenchmark((std::string("function1/") + name).c_str(), TextField, name);
    for (const char* name : kGlyphFields)
        benchmark::RegisterBenchmark((std::string("function2/") + name).c_str(), GlyphField, name);
    return 0;
}

const int registered = RegisterAll();

}  // namespace
