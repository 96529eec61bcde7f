// Byte patterns that two processes write over the whole block, so each can tell every one
// of the 2316 bytes came from the other.
#pragma once

#include <cstdint>

#include "status_block/status_block.h"

inline std::uint8_t PeerByte(int i) { return static_cast<std::uint8_t>(i * 31 + 7); }
inline std::uint8_t TestByte(int i) { return static_cast<std::uint8_t>(i * 17 + 3); }

template <typename Pattern>
void FillBlock(StatusBlock* block, Pattern pattern) {
    auto* bytes = reinterpret_cast<volatile std::uint8_t*>(block);
    for (int i = 0; i < static_cast<int>(kStatusBlockSize); ++i) bytes[i] = pattern(i);
}

// The number of bytes that differ from the pattern.
template <typename Pattern>
int CountMismatches(const StatusBlock* block, Pattern pattern) {
    auto* bytes = reinterpret_cast<const volatile std::uint8_t*>(block);
    int mismatches = 0;
    for (int i = 0; i < static_cast<int>(kStatusBlockSize); ++i)
        if (bytes[i] != pattern(i)) ++mismatches;
    return mismatches;
}
