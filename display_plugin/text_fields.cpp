#include "display_plugin/text_fields.h"

#include <cstring>
#include <string_view>

#include "display_plugin/answer_writer.h"
#include "display_plugin/display_state.h"
#include "display_plugin/field_text.h"
#include "project_version.h"

namespace vistune {
namespace {

using namespace std::string_view_literals;

// Every answer's length is known here, so no answer asks the C runtime to count it.
constexpr std::string_view kWrongText = kWrongTextField;

constexpr std::string_view kCredit =
    "Vistune plug-in by the Glyphbox LCD team - https://glyphbox-lcd.example.org";
constexpr std::string_view kVersion = VISTUNE_SHORT_VERSION;

char textResult[kAnswerSize];

using Answer = void (*)(char* out);

constexpr std::size_t kOut = kAnswerSize;

const PlayerRecord& Player() { return Block().player; }

// "EPG" and "EPGNoTime" stay empty unless a live TV service is on.
bool HasProgrammeGuide() { return Player().serviceKind == kServiceTv && Player().playingFile != 1; }

void Write(char* out, std::string_view text) { AnswerWriter(out, kOut).Text(text); }
void WriteDecimal(char* out, long value) { AnswerWriter(out, kOut).Decimal(value); }

void SigLevel(char* out) { WriteDecimal(out, Block().signal.level); }
void SigQuality(char* out) { WriteDecimal(out, Block().signal.quality); }
void IsRunning(char* out) { WriteDecimal(out, Block().isRunning); }

void Type(char* out) {
    const PlayerRecord& player = Player();
    std::string_view kind = "NOTHING"sv;
    if (player.serviceKind == kServiceTv) kind = "TV"sv;
    if (player.serviceKind == kServiceRadio) kind = "RADIO"sv;
    if (player.serviceKind == kServiceOther) kind = "OTHER"sv;
    if (player.playingFile == 1) kind = "FILE"sv;
    Write(out, kind);
}

// The file name is the tail from the last backslash, which the display keeps as a marker.
// A path without one is all file name, so it is answered whole.
void Caption(char* out) {
    const PlayerRecord& player = Player();
    if (player.playingFile == 0) {
        TransliterateField(out, kOut, player.caption, sizeof player.caption);
        return;
    }
    char path[sizeof player.filePath];
    CopyField(path, sizeof path, player.filePath, sizeof player.filePath);
    const char* tail = std::strrchr(path, '\\');
    const char* name = tail ? tail : path;
    // The width is what is left of `path`: TransliterateField may read that far.
    TransliterateField(out, kOut, name, sizeof path - (name - path));
}

void ServiceLabel(char* out) {
    CopyField(out, kOut, Player().serviceLabel, sizeof Player().serviceLabel);
}
void ProviderLabel(char* out) {
    CopyField(out, kOut, Player().providerLabel, sizeof Player().providerLabel);
}
void ChannelNumber(char* out) { WriteDecimal(out, Player().channelNumber); }

void PlayStatus(char* out) {
    switch (Player().playState) {
        case kPlayStopped: Write(out, "STOP"sv); break;
        case kPlayPlaying: Write(out, "PLAY"sv); break;
        case kPlayPaused: Write(out, "PAUSE"sv); break;
        default: Write(out, kWrongText); break;
    }
}

void Epg(char* out) {
    out[0] = '\0';
    if (HasProgrammeGuide())
        TransliterateField(out, kOut, Player().eventText, sizeof Player().eventText);
}

// The event text's first word is its start time; the title follows after spaces. The skip
// stops before the field's last byte, which counts as its terminator.
void EpgNoTime(char* out) {
    out[0] = '\0';
    if (!HasProgrammeGuide()) return;
    const char* text = Player().eventText;
    constexpr std::size_t kLast = sizeof Player().eventText - 1;
    std::size_t start = 0;
    while (start < kLast && text[start] != '\0' && text[start] != ' ') ++start;
    while (start < kLast && text[start] == ' ') ++start;
    TransliterateField(out, kOut, text + start, kLast + 1 - start);
}

void VolLevel(char* out) { WriteDecimal(out, Player().volume); }

void VolMute(char* out) {
    std::string_view mute = kWrongText;
    if (Player().muted == 1) mute = "1"sv;
    if (Player().muted == 0) mute = "0"sv;
    Write(out, mute);
}

void About(char* out) { Write(out, kCredit); }
void Version(char* out) { Write(out, kVersion); }
void Record(char* out) { Write(out, Player().recording == 1 ? "1"sv : "0"sv); }

struct TextField {
    std::string_view name;
    Answer answer;
};

constexpr TextField kTextFields[] = {
    {"SigLevel", SigLevel},       {"SigQuality", SigQuality},
    {"IsRunning", IsRunning},     {"Type", Type},
    {"Caption", Caption},         {"ServiceLabel", ServiceLabel},
    {"ProviderLabel", ProviderLabel}, {"ChannelNumber", ChannelNumber},
    {"PlayStatus", PlayStatus},   {"EPG", Epg},
    {"EPGNoTime", EpgNoTime},     {"VolLevel", VolLevel},
    {"VolMute", VolMute},         {"About", About},
    {"Version", Version},         {"Record", Record},
};

}  // namespace

const char* AnswerTextField(const char* name) {
    std::string_view asked = AskedFieldName(name);
    // Lengths first: they tell most fields apart without a call.
    for (const TextField& field : kTextFields) {
        if (asked.size() == field.name.size() && SameFieldName(asked, field.name)) {
            field.answer(textResult);
            return textResult;
        }
    }
    Write(textResult, kWrongText);
    return textResult;
}

}  // namespace vistune
