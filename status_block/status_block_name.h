// The name both plug-ins and the host tools find the block by.
#pragma once

// The environment variable that, when set, names another block: tests set it so that they
// never write into the block a user's running hosts read.
inline constexpr char kStatusBlockNameVariable[] = "GLYPHBOX_BLOCK_NAME";

// The longest value of kStatusBlockNameVariable taken: the most Windows holds in a variable,
// its terminator included, is 32767 characters.
inline constexpr int kLongestBlockNameVariable = 32766;

// kStatusBlockName when kStatusBlockNameVariable is not set, its value when it is. Null when
// it is set but names no block (empty, or longer than kLongestBlockNameVariable): whoever
// asked then opens no block at all, never the user's own in its place. The text stays valid
// until the next call.
const char* StatusBlockName();
