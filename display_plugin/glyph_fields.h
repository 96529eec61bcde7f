// The custom-character fields the display host asks for through function2.
#pragma once

namespace vistune {

inline constexpr char kWrongGlyphField[] = "wrong param1!";

// The slot a slot text names: decimal with leading blanks and a sign, read up to the first
// non-digit; no digits or a value below 1 give 1, values past the int range saturate.
int ParseSlot(const char* slotText);

// The character code the display host prints for custom-character `slot`; 63 ('?') for a
// slot outside 1 to 8.
int SlotCharacterCode(int slot);

// The glyph command for field `name` (letters A to Z in any case) drawn into the slot that
// `slotText` names. Unknown names, null included, and values with no glyph answer
// kWrongGlyphField. The result lives in a static buffer that the next call overwrites.
const char* AnswerGlyphField(const char* name, const char* slotText);

}  // namespace vistune
