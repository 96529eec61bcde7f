// The emulated LCD's character generator: eight rows of five dots per character, 16 being
// the leftmost dot, as the $CustomChar rows are given.
#pragma once

#include <array>
#include <cstdint>

// kWindows1250 draws printable ASCII and the Polish letters (upper and lower case);
// kAsciiOnly shows what a plain ASCII character generator would: a box for every byte
// past 0x7E.
enum class CharacterSet { kWindows1250, kAsciiOnly };

// The dots of a Windows-1250 character; characters the set has no dots for show as a box.
const std::array<std::uint8_t, 8>& GlyphDots(std::uint8_t code, CharacterSet set = CharacterSet::kWindows1250);
