#include "display_plugin/glyph_fields.h"

#include <climits>
#include <string_view>

#include "display_plugin/answer_writer.h"
#include "display_plugin/display_state.h"
#include "display_plugin/field_text.h"

namespace vistune {
namespace {

using namespace std::string_view_literals;

// Every answer's length is known here, so no answer asks the C runtime to count it.
constexpr std::string_view kWrongGlyph = kWrongGlyphField;

// Each glyph's eight rows, top first, after the comma that follows the slot.
constexpr std::string_view kTvGlyph = ",16,10,4,31,17,17,17,31";
constexpr std::string_view kRadioGlyph = ",16,24,20,23,23,20,24,16";
constexpr std::string_view kFileGlyph = ",0,28,18,31,17,17,31,0";
constexpr std::string_view kStoppedGlyph = ",0,31,31,31,31,31,31,0";
constexpr std::string_view kPlayingGlyph = ",0,16,24,28,30,28,24,16";
constexpr std::string_view kPausedGlyph = ",0,27,27,27,27,27,27,0";
constexpr std::string_view kRecordingGlyph = ",0,0,14,31,31,31,14,0";

constexpr int kSlotCodes[] = {176, 158, 131, 132, 133, 134, 135, 136};
constexpr int kUnknownSlotCode = 63;

char glyphResult[kAnswerSize];

bool IsBlank(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// "$CustomChar(slot,rows)$Chr(code)": the display loads the glyph, then prints it.
void Draw(char* out, std::string_view rows, int slot) {
    AnswerWriter(out, kAnswerSize)
        .Text("$CustomChar("sv)
        .Decimal(slot)
        .Text(rows)
        .Text(")$Chr("sv)
        .Decimal(SlotCharacterCode(slot))
        .Text(")"sv);
}

void Write(char* out, std::string_view text) { AnswerWriter(out, kAnswerSize).Text(text); }

void IsRunning(char* out, int) { AnswerWriter(out, kAnswerSize).Decimal(Block().isRunning); }

void Type(char* out, int slot) {
    const PlayerRecord& player = Block().player;
    std::string_view rows;
    if (player.serviceKind == kServiceTv) rows = kTvGlyph;
    if (player.serviceKind == kServiceRadio) rows = kRadioGlyph;
    if (player.playingFile == 1) rows = kFileGlyph;
    if (rows.empty())
        Write(out, "?"sv);
    else
        Draw(out, rows, slot);
}

void PlayStatus(char* out, int slot) {
    switch (Block().player.playState) {
        case kPlayStopped: Draw(out, kStoppedGlyph, slot); break;
        case kPlayPlaying: Draw(out, kPlayingGlyph, slot); break;
        case kPlayPaused: Draw(out, kPausedGlyph, slot); break;
        default: Write(out, kWrongGlyph); break;
    }
}

// The mark shows on every other call during a recording, so it blinks at half the rate the
// display refreshes the field.
void Record(char* out, int slot) {
    if (Block().player.recording != 1) {
        Write(out, " "sv);
        return;
    }
    int& counter = BlinkCounter();
    if (counter % 2 == 0)
        Draw(out, kRecordingGlyph, slot);
    else
        Write(out, " "sv);
    // INT_MAX is odd, so wrapping to 0 keeps the alternation.
    counter = counter == INT_MAX ? 0 : counter + 1;
}

struct GlyphField {
    std::string_view name;
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
    std::string_view asked = AskedFieldName(name);
    for (const GlyphField& field : kGlyphFields) {
        if (asked.size() == field.name.size() && SameFieldName(asked, field.name)) {
            field.answer(glyphResult, slot);
            return glyphResult;
        }
    }
    Write(glyphResult, kWrongGlyph);
    return glyphResult;
}

}  // namespace vistune
