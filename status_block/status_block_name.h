// The name both plug-ins and the host tools find the block by.
#pragma once

// The environment variable that, when set, names another block: tests set it so that they
// never write into the block a user's running hosts read.
inline constexpr char kStatusBlockNameVariable[] = "GLYPHBOX_BLOCK_NAME";

// kStatusBlockName, or the value of kStatusBlockNameVariable when that is set. The text
// lives in a static buffer that the next call rewrites.
const char* StatusBlockName();
