// What every host tool does before it opens the block or loads a plug-in that does.
#pragma once

// True when the block's name can be had. Otherwise says why on stderr, as `tool`: a
// GLYPHBOX_BLOCK_NAME that is set but names no block must not send anyone to the user's own.
bool CheckBlockName(const char* tool);
