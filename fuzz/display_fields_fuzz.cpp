// Feeds the display plug-in an arbitrary 2316-byte block and arbitrary field names and slot
// texts: every answer must be terminated inside its 1024-byte buffer, and the text answers
// must equal those of the plain model the tests use.
#include <fuzzer/FuzzedDataProvider.h>
#include <unistd.h>

#include <cstring>
#include <string>

#include "display_plugin/display_state.h"
#include "display_plugin/glyph_fields.h"
#include "display_plugin/text_fields.h"
#include "status_block/shared_block_mapping.h"
#include "tests/display_plugin/plain_text_model.h"

namespace {

const char* const kNames[] = {"SigLevel", "SigQuality", "IsRunning", "Type", "Caption",
                              "ServiceLabel", "ProviderLabel", "ChannelNumber", "PlayStatus",
                              "EPG", "EPGNoTime", "VolLevel", "VolMute", "About", "Version",
                              "Record", "sIgLeVeL", "", "Unknown"};

SharedBlockMapping& Block() {
    static SharedBlockMapping mapping;
    if (!mapping.View()) {
        std::string name = "glyphbox-fuzz-" + std::to_string(getpid());
        mapping.Create(name.c_str());
        vistune::ConnectDisplay(name.c_str());
    }
    return mapping;
}

void Check(const char* answer) {
    if (answer == nullptr || std::memchr(answer, '\0', 1024) == nullptr) __builtin_trap();
}

// Live TV and then a played file, so that EPG, EPGNoTime and both kinds of Caption answer.
void CompareWithModel(PlayerRecord& player) {
    const PlayerRecord given = player;
    player.serviceKind = kServiceTv;
    player.playingFile = 0;
    std::string event = ModelTransliteratedText(player.eventText, sizeof player.eventText);
    if (vistune::AnswerTextField("EPG") != event) __builtin_trap();
    if (vistune::AnswerTextField("EPGNoTime") != ModelTitle(event)) __builtin_trap();
    if (vistune::AnswerTextField("Caption") !=
        ModelTransliteratedText(player.caption, sizeof player.caption))
        __builtin_trap();
    player.playingFile = 1;
    if (vistune::AnswerTextField("Caption") !=
        ModelFileName(ModelTransliteratedText(player.filePath, sizeof player.filePath)))
        __builtin_trap();
    player = given;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    StatusBlock* block = Block().View();
    std::string bytes = input.ConsumeBytesAsString(sizeof(StatusBlock));
    std::memcpy(block, bytes.data(), bytes.size());
    CompareWithModel(block->player);
    while (input.remaining_bytes() > 0) {
        std::string name = input.ConsumeBool() ? kNames[input.ConsumeIntegralInRange<int>(0, 18)]
                                               : input.ConsumeRandomLengthString(24);
        std::string slot = input.ConsumeRandomLengthString(16);
        Check(vistune::AnswerTextField(name.c_str()));
        Check(vistune::AnswerGlyphField(name.c_str(), slot.c_str()));
        Check(vistune::AnswerGlyphField(name.c_str(), nullptr));
    }
    return 0;
}
