#include "hosts/tv_host/tv_state.h"

#include <cstdio>
#include <cstring>

#include "hosts/common/cp1250.h"

namespace {

template <std::size_t N>
void PutText(char (&field)[N], const std::string& text) {
    std::snprintf(field, N, "%s", text.c_str());
}

const char* PlayStateName(std::int8_t state) {
    switch (state) {
        case kPlayStopped: return "STOP";
        case kPlayPaused: return "PAUSE";
        default: return "PLAY";
    }
}

}  // namespace

TvState::TvState(Scenario scenario)
    : scenario_(std::move(scenario)),
      volume_(scenario_.volume),
      quality_(scenario_.quality),
      level_(scenario_.level) {}

const Service& TvState::Current() const { return scenario_.services[service_]; }

void TvState::Apply(const TimedEvent& event) {
    std::lock_guard<std::mutex> lock(mutex_);
    switch (event.action) {
        case Action::kZap:
            for (std::size_t i = 0; i < scenario_.services.size(); ++i)
                if (scenario_.services[i].number == event.value) service_ = i;
            file_.clear();
            playState_ = kPlayPlaying;
            break;
        case Action::kPause: playState_ = kPlayPaused; break;
        case Action::kPlay: playState_ = kPlayPlaying; break;
        case Action::kStop: playState_ = kPlayStopped; break;
        case Action::kRecord: recording_ = event.value != 0; break;
        case Action::kMute: muted_ = event.value != 0; break;
        case Action::kVolume: volume_ = event.value; break;
        case Action::kFile:
            file_ = event.text;
            playState_ = kPlayPlaying;
            break;
        case Action::kLive:
            file_.clear();
            playState_ = kPlayPlaying;
            break;
        default: break;
    }
}

void TvState::Drift(int step) {
    std::lock_guard<std::mutex> lock(mutex_);
    static const int kWave[] = {0, 1, 2, 1, 0, -1, -2, -1};
    quality_ = scenario_.quality + kWave[step % 8];
    level_ = scenario_.level + kWave[(step + 2) % 8];
}

void TvState::FillSignal(SignalRecord* signal) const {
    std::lock_guard<std::mutex> lock(mutex_);
    signal->quality = quality_;
    signal->level = level_;
}

void TvState::FillPlayer(PlayerRecord* player) const {
    std::lock_guard<std::mutex> lock(mutex_);
    const Service& service = Current();
    player->serviceKind = service.kind;
    PutText(player->serviceLabel, service.name);
    PutText(player->providerLabel, service.provider);
    PutText(player->caption, service.name);
    PutText(player->eventText, service.event);
    player->channelNumber = service.number;
    player->playingFile = file_.empty() ? 0 : 1;
    player->recording = recording_ ? 1 : 0;
    player->playState = playState_;
    player->muted = muted_ ? 1 : 0;
    player->volume = volume_;
    PutText(player->filePath, file_);
}

std::string TvState::Describe() const {
    std::lock_guard<std::mutex> lock(mutex_);
    std::string line = std::to_string(Current().number) + " " + Cp1250ToUtf8(Current().name);
    if (!file_.empty()) line += " | file " + Cp1250ToUtf8(file_);
    line += std::string(" | ") + PlayStateName(playState_) + " | vol " + std::to_string(volume_);
    if (muted_) line += " (muted)";
    if (recording_) line += " | REC";
    return line;
}
