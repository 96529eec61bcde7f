#include "hosts/blockctl/sample_state.h"

#include <cstdio>

void FillSampleState(StatusBlock& block) {
    block.blockSize = kStatusBlockSize;
    block.isRunning = 1;
    block.signal = {kSignalRecordSize, 87, 64};
    PlayerRecord& player = block.player;
    player.recordSize = kPlayerRecordSize;
    player.serviceKind = kServiceTv;
    // Windows-1250 bytes: "Kanał Łódź", "Telewizja Północ", "20:00  Wiadomości".
    std::snprintf(player.serviceLabel, sizeof player.serviceLabel, "Kana\xB3 \xA3\xF3" "d\x9F");
    std::snprintf(player.providerLabel, sizeof player.providerLabel, "Telewizja P\xF3\xB3noc");
    std::snprintf(player.caption, sizeof player.caption, "Kana\xB3 \xA3\xF3" "d\x9F HD");
    std::snprintf(player.eventText, sizeof player.eventText, "20:00  Wiadomo\x9C" "ci");
    player.channelNumber = 7;
    player.playingFile = 0;
    player.recording = 1;
    player.playState = kPlayPlaying;
    player.muted = 0;
    player.volume = 42;
    std::snprintf(player.filePath, sizeof player.filePath, "D:\\nagrania\\\xAF" "u\xBF" "el.ts");
}
