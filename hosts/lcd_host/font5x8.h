// The emulated LCD's character generator: eight rows of five dots per character, 16 being
// the leftmost dot, as the $CustomChar rows are given.
#pragma once

#include <array>
#include <cstdint>

// The dots of a Windows-1250 character; characters outside printable ASCII show as a box.
const std::array<std::uint8_t, 8>& GlyphDots(std::uint8_t code);
