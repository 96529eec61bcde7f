// Feeds the display plug-in an arbitrary 2316-byte block and arbitrary field names and slot
// texts: every answer must be terminated inside its 1024-byte buffer.
#include <fuzzer/FuzzedDataProvider.h>
#include <unistd.h>

#include <cstring>
#include <string>

#include "display_plugin/display_state.h"
#include "display_plugin/glyph_fields.h"
#include "display_plugin/text_fields.h"
#include "status_block/shared_block_mapping.h"

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

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    StatusBlock* block = Block().View();
    std::string bytes = input.ConsumeBytesAsString(sizeof(StatusBlock));
    std::memcpy(block, bytes.data(), bytes.size());
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
