// What the TV host emulator plays: its services and a timeline of events, read from a small
// text format (see the README) or the built-in default.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "status_block/status_block.h"

struct Service {
    std::int8_t kind;  // ServiceKind
    int number;
    std::string name;      // Windows-1250, like everything the host writes into the block
    std::string provider;
    std::string event;     // "20:00  Title"
};

enum class Action { kZap, kPause, kPlay, kStop, kRecord, kMute, kVolume, kFile, kLive, kMenu, kQuit };

struct TimedEvent {
    int atMs;
    Action action;
    int value = 0;      // channel number, on/off, volume or menu item
    std::string text;   // the file's path
    int line = 0;       // where the scenario file gives it, for messages
};

struct Scenario {
    std::vector<Service> services;
    int quality = 80;
    int level = 60;
    int volume = 50;
    std::vector<TimedEvent> events;  // in time order
};

// Reads a scenario; false with `error` naming the line and what is wrong.
bool ParseScenario(std::string_view text, Scenario* scenario, std::string* error);

// The built-in scenario: Polish TV and radio services, zaps, a pause, a recording, mute,
// volume changes and a file playback over about thirty seconds.
std::string_view DefaultScenarioText();
