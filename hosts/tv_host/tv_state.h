// The emulated TV host's live state: which service is on, what the player does, and the
// answers to the plug-in's two queries. Queries may come from another thread than the
// events, so every member function locks.
#pragma once

#include <mutex>
#include <string>

#include "hosts/tv_host/scenario.h"
#include "status_block/status_block.h"

class TvState {
public:
    explicit TvState(Scenario scenario);

    // Applies a timed event; zap, play state, record, mute, volume and file events.
    void Apply(const TimedEvent& event);

    // Moves the signal figures a little, as a real tuner's do; `step` counts the ticks.
    void Drift(int step);

    // The answers to the signal and the player query.
    void FillSignal(SignalRecord* signal) const;
    void FillPlayer(PlayerRecord* player) const;

    // One line for a person: service, play state, volume, recording (UTF-8).
    std::string Describe() const;

private:
    const Service& Current() const;

    mutable std::mutex mutex_;
    Scenario scenario_;
    std::size_t service_ = 0;
    std::int8_t playState_ = kPlayPlaying;
    bool recording_ = false;
    bool muted_ = false;
    int volume_;
    int quality_;
    int level_;
    std::string file_;  // Windows-1250; empty while a live service plays
};
