// The text fields the display host asks for through function1.
#pragma once

namespace vistune {

inline constexpr char kWrongTextField[] = "[Vistune-wrong param1!]";

// The text for the field `name` (letters A to Z in any case), read from the block now.
// Unknown names, null included, and values with no text answer kWrongTextField. The result
// lives in a static buffer that the next call overwrites.
const char* AnswerTextField(const char* name);

}  // namespace vistune
