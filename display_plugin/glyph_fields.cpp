#include "display_plugin/glyph_fields.h"

#include <climits>
#include <cstdio>

#include "display_plugin/display_state.h"
#include "display_plugin/field_text.h"

namespace vistune {
namespace {

constexpr char kTvGlyph[] = "$CustomChar(%d,16,10,4,31,17,17,17,31)$Chr(%d)";
constexpr char kRadioGlyph[] = "$CustomChar(%d,16,24,20,23,23,20,24,16)$Chr(%d)";
constexpr char kFileGlyph[] = "$CustomChar(%d,0,28,18,31,17,17,31,0)$Chr(%d)";
constexpr char kStoppedGlyph[] = "$CustomChar(%d,0,31,31,31,31,31,31,0)$Chr(%d)";
constexpr char kPlayingGlyph[] = "$CustomChar(%d,0,16,24,28,30,28,24,16)$Chr(%d)";
constexpr char kPausedGlyph[] = "$CustomChar(%d,0,27,27,27,27,27,27,0)$Chr(%d)";
constexpr char kRecordingGlyph[] = "$CustomChar(%d,0,0,14,31,31,31,14,0)$Chr(%d)";

constexpr int kSlotCodes[] = {176, 158, 131, 132, 133, 134, 135, 136};
constexpr int kUnknownSlotCode = 63;

char glyphResult[kAnswerSize];

bool IsBlank(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

void Draw(char* out, const char* glyph, int slot) {
    std::snprintf(out, kAnswerSize, glyph, slot, SlotCharacterCode(slot));
}

void IsRunning(char* out, int) { FormatDecimal(out, kAnswerSize, Block().isRunning); }

void Type(char* out, int slot) {
    const PlayerRecord& player = Block().player;
    std::snprintf(out, kAnswerSize, "?");
    if (player.serviceKind == kServiceTv) Draw(out, kTvGlyph, slot);
    if (player.serviceKind == kServiceRadio) Draw(out, kRadioGlyph, slot);
    if (player.playingFile == 1) Draw(out, kFileGlyph, slot);
}

void PlayStatus(char* out, int slot) {
    switch (Block().player.playState) {
        case kPlayStopped: Draw(out, kStoppedGlyph, slot); break;
        case kPlayPlaying: Draw(out, kPlayingGlyph, slot); break;
        case kPlayPaused: Draw(out, kPausedGlyph, slot); break;
        default: break;
    }
}

// The mark shows on every other call during a recording, so it blinks at half the rate the
// display refreshes the field.
void Record(char* out, int slot) {
    std::snprintf(out, kAnswerSize, " ");
    if (Block().player.recording != 1) return;
    int& counter = BlinkCounter();
    if (counter % 2 == 0) Draw(out, kRecordingGlyph, slot);
    // INT_MAX is odd, so wrapping to 0 keeps the alternation.
    counter = counter == INT_MAX ? 0 : counter + 1;
}

struct GlyphField {
    const char* name;
    void (*answer)(char* out, int slot);
};

constexpr GlyphField kGlyphFields[] = {
    {"IsRunning", IsRunning},
    {"Type", Type},
    {"PlayStatus", PlayStatus},
    {"Record", Record},
};

}  // namespace

int ParseSlot(const char* slotText) {
    long long value = 0;
    if (slotText != nullptr) {
        const char* p = slotText;
        while (IsBlank(*p)) ++p;
        bool negative = *p == '-';
        if (*p == '-' || *p == '+') ++p;
        for (; *p >= '0' && *p <= '9' && value <= INT_MAX; ++p) value = value * 10 + (*p - '0');
        if (negative) value = -value;
        if (value > INT_MAX) value = INT_MAX;
    }
    return value < 1 ? 1 : static_cast<int>(value);
}

int SlotCharacterCode(int slot) {
    if (slot < 1 || slot > 8) return kUnknownSlotCode;
    return kSlotCodes[slot - 1];
}

const char* AnswerGlyphField(const char* name, const char* slotText) {
    int slot = ParseSlot(slotText);
    std::snprintf(glyphResult, sizeof glyphResult, "%s", kWrongGlyphField);
    for (const GlyphField& field : kGlyphFields) {
        if (SameFieldName(name, field.name)) {
            field.answer(glyphResult, slot);
            break;
        }
    }
    return glyphResult;
}

}  // namespace vistune
