#include "display_plugin/text_fields.h"

#include <cstdio>
#include <cstring>

#include "display_plugin/display_state.h"
#include "display_plugin/field_text.h"
#include "project_version.h"

namespace vistune {
namespace {

constexpr char kCredit[] = "Vistune plug-in by the Glyphbox LCD team - https://glyphbox-lcd.example.org";

char textResult[kAnswerSize];

using Answer = void (*)(char* out);

constexpr std::size_t kOut = kAnswerSize;

const PlayerRecord& Player() { return Block().player; }

// "EPG" and "EPGNoTime" stay empty unless a live TV service is on.
bool HasProgrammeGuide() { return Player().serviceKind == kServiceTv && Player().playingFile != 1; }

void SigLevel(char* out) { FormatDecimal(out, kOut, Block().signal.level); }
void SigQuality(char* out) { FormatDecimal(out, kOut, Block().signal.quality); }
void IsRunning(char* out) { FormatDecimal(out, kOut, Block().isRunning); }

void Type(char* out) {
    const char* kind = "NOTHING";
    if (Player().serviceKind == kServiceTv) kind = "TV";
    if (Player().serviceKind == kServiceRadio) kind = "RADIO";
    if (Player().serviceKind == kServiceOther) kind = "OTHER";
    if (Player().playingFile == 1) kind = "FILE";
    std::snprintf(out, kOut, "%s", kind);
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
void ChannelNumber(char* out) { FormatDecimal(out, kOut, Player().channelNumber); }

void PlayStatus(char* out) {
    switch (Player().playState) {
        case kPlayStopped: std::snprintf(out, kOut, "STOP"); break;
        case kPlayPlaying: std::snprintf(out, kOut, "PLAY"); break;
        case kPlayPaused: std::snprintf(out, kOut, "PAUSE"); break;
        default: break;
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

void VolLevel(char* out) { FormatDecimal(out, kOut, Player().volume); }

void VolMute(char* out) {
    if (Player().muted == 1) std::snprintf(out, kOut, "1");
    if (Player().muted == 0) std::snprintf(out, kOut, "0");
}

void About(char* out) { std::snprintf(out, kOut, "%s", kCredit); }
void Version(char* out) { std::snprintf(out, kOut, "%s", VISTUNE_SHORT_VERSION); }
void Record(char* out) { std::snprintf(out, kOut, "%s", Player().recording == 1 ? "1" : "0"); }

struct TextField {
    const char* name;
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
    std::snprintf(textResult, sizeof textResult, "%s", kWrongTextField);
    for (const TextField& field : kTextFields) {
        if (SameFieldName(name, field.name)) {
            field.answer(textResult);
            break;
        }
    }
    return textResult;
}

}  // namespace vistune
