// The display plug-in's module state: which block its answers read.
#pragma once

#include "status_block/status_block.h"

namespace vistune {

// Creates or opens the named block, unless one is mapped already, and resets the blink
// counter. Until a block is mapped, Block() is an all-zero stand-in, so every field answers
// as for an empty block. Without a name, the one StatusBlockName() gives.
void ConnectDisplay();
void ConnectDisplay(const char* blockName);

// Closes the block, leaving the all-zero stand-in: for tests, which give each case a block
// of its own.
void DisconnectDisplay();

// The block the answers read, afresh at every call.
const StatusBlock& Block();

// Counts the "Record" answers given during a recording, so the mark blinks.
int& BlinkCounter();

}  // namespace vistune
