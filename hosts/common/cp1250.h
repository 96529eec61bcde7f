// Windows-1250, the code page of the block's texts, to and from the UTF-8 of a terminal.
#pragma once

#include <string>
#include <string_view>

// Decodes Windows-1250 bytes; the five undefined bytes become U+FFFD.
std::string Cp1250ToUtf8(std::string_view text);

// Encodes UTF-8 text; false, with `error` (may be null) naming the character, when a
// character has no Windows-1250 byte or the text is not UTF-8.
bool Utf8ToCp1250(std::string_view text, std::string* out, std::string* error);
