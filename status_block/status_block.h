// The block both plug-ins share: the tuner side has the TV host fill it, the display side
// reads it. Its bytes are a contract with the TV host, so every offset is pinned below.
#pragma once

#include <cstddef>
#include <cstdint>

inline constexpr char kStatusBlockName[] = "{AC0E78D8-01DA-4456-A9A2-665128D8C339}";
inline constexpr std::uint32_t kStatusBlockSize = 2316;
inline constexpr std::uint32_t kSignalRecordSize = 12;
inline constexpr std::uint32_t kPlayerRecordSize = 2296;

enum ServiceKind : std::int8_t { kServiceTv = 0, kServiceRadio = 1, kServiceOther = 2 };
enum PlayState : std::int8_t { kPlayStopped = 0, kPlayPlaying = 2, kPlayPaused = 3 };

struct SignalRecord {
    std::uint32_t recordSize;
    std::int32_t quality;
    std::int32_t level;
};

// Texts are the TV host's ANSI bytes, terminated within their width.
struct PlayerRecord {
    std::uint32_t recordSize;
    std::int8_t serviceKind;
    char serviceLabel[32];
    char providerLabel[32];
    char caption[160];
    char eventText[1024];  // start time, spaces, title
    char reserved1[3];
    std::int32_t channelNumber;
    std::uint8_t playingFile;
    std::uint8_t recording;
    std::int8_t playState;
    char reserved2[1];
    std::int32_t muted;
    std::int32_t volume;
    char filePath[1024];  // backslash-separated
};

struct StatusBlock {
    std::uint32_t blockSize;
    std::int8_t isRunning;
    char reserved[3];
    SignalRecord signal;
    PlayerRecord player;
};

static_assert(sizeof(SignalRecord) == kSignalRecordSize);
static_assert(offsetof(SignalRecord, recordSize) == 0);
static_assert(offsetof(SignalRecord, quality) == 4);
static_assert(offsetof(SignalRecord, level) == 8);

static_assert(sizeof(PlayerRecord) == kPlayerRecordSize);
static_assert(offsetof(PlayerRecord, recordSize) == 0);
static_assert(offsetof(PlayerRecord, serviceKind) == 4);
static_assert(offsetof(PlayerRecord, serviceLabel) == 5);
static_assert(offsetof(PlayerRecord, providerLabel) == 37);
static_assert(offsetof(PlayerRecord, caption) == 69);
static_assert(offsetof(PlayerRecord, eventText) == 229);
static_assert(offsetof(PlayerRecord, reserved1) == 1253);
static_assert(offsetof(PlayerRecord, channelNumber) == 1256);
static_assert(offsetof(PlayerRecord, playingFile) == 1260);
static_assert(offsetof(PlayerRecord, recording) == 1261);
static_assert(offsetof(PlayerRecord, playState) == 1262);
static_assert(offsetof(PlayerRecord, reserved2) == 1263);
static_assert(offsetof(PlayerRecord, muted) == 1264);
static_assert(offsetof(PlayerRecord, volume) == 1268);
static_assert(offsetof(PlayerRecord, filePath) == 1272);

static_assert(sizeof(StatusBlock) == kStatusBlockSize);
static_assert(offsetof(StatusBlock, blockSize) == 0);
static_assert(offsetof(StatusBlock, isRunning) == 4);
static_assert(offsetof(StatusBlock, reserved) == 5);
static_assert(offsetof(StatusBlock, signal) == 8);
static_assert(offsetof(StatusBlock, player) == 20);
