#include <gtest/gtest.h>

#include <cstring>

#include "status_block/status_block.h"

namespace {

// Each field written through the struct must land on the byte offset the TV host writes to.
struct RawField {
    const char* name;
    std::size_t offset;
    void (*write)(StatusBlock&);
    unsigned char firstByte;
};

const RawField kRawFields[] = {
    {"blockSize", 0, [](StatusBlock& b) { b.blockSize = 0x0A0B0C0D; }, 0x0D},
    {"isRunning", 4, [](StatusBlock& b) { b.isRunning = -2; }, 0xFE},
    {"signal.recordSize", 8, [](StatusBlock& b) { b.signal.recordSize = 12; }, 12},
    {"signal.quality", 12, [](StatusBlock& b) { b.signal.quality = 0x51; }, 0x51},
    {"signal.level", 16, [](StatusBlock& b) { b.signal.level = 0x52; }, 0x52},
    {"player.recordSize", 20, [](StatusBlock& b) { b.player.recordSize = 0x53; }, 0x53},
    {"player.serviceKind", 24, [](StatusBlock& b) { b.player.serviceKind = 1; }, 1},
    {"player.serviceLabel", 25, [](StatusBlock& b) { b.player.serviceLabel[0] = 'S'; }, 'S'},
    {"player.providerLabel", 57, [](StatusBlock& b) { b.player.providerLabel[0] = 'P'; }, 'P'},
    {"player.caption", 89, [](StatusBlock& b) { b.player.caption[0] = 'C'; }, 'C'},
    {"player.eventText", 249, [](StatusBlock& b) { b.player.eventText[0] = 'E'; }, 'E'},
    {"player.channelNumber", 1276, [](StatusBlock& b) { b.player.channelNumber = 0x54; }, 0x54},
    {"player.playingFile", 1280, [](StatusBlock& b) { b.player.playingFile = 1; }, 1},
    {"player.recording", 1281, [](StatusBlock& b) { b.player.recording = 1; }, 1},
    {"player.playState", 1282, [](StatusBlock& b) { b.player.playState = 3; }, 3},
    {"player.muted", 1284, [](StatusBlock& b) { b.player.muted = 1; }, 1},
    {"player.volume", 1288, [](StatusBlock& b) { b.player.volume = 0x55; }, 0x55},
    {"player.filePath", 1292, [](StatusBlock& b) { b.player.filePath[0] = 'F'; }, 'F'},
    {"player.filePath end", 2315, [](StatusBlock& b) { b.player.filePath[1023] = 'Z'; }, 'Z'},
};

TEST(StatusBlockLayout, EveryFieldLandsOnItsByteOffsetLittleEndian) {
    for (const RawField& field : kRawFields) {
        SCOPED_TRACE(field.name);
        StatusBlock block = {};
        field.write(block);
        const auto* bytes = reinterpret_cast<const unsigned char*>(&block);
        EXPECT_EQ(bytes[field.offset], field.firstByte);
        int otherNonZero = 0;
        for (std::size_t i = 0; i < sizeof block; ++i)
            if (i != field.offset && bytes[i] != 0 && (i < field.offset || i > field.offset + 3))
                ++otherNonZero;
        EXPECT_EQ(otherNonZero, 0) << "the write reached outside the field";
    }
}

TEST(StatusBlockLayout, RecordSizesAddUpToTheBlock) {
    EXPECT_EQ(sizeof(StatusBlock), 2316u);
    EXPECT_EQ(8 + sizeof(SignalRecord) + sizeof(PlayerRecord), sizeof(StatusBlock));
    EXPECT_EQ(std::strlen(kStatusBlockName), 38u);
}

}  // namespace
