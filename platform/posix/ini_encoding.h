// Text conversions for INI files with a byte-order mark. Such a file is edited as UTF-8
// (UTF-16 converted losslessly), while callers speak the active code page.
#pragma once

#include <string>
#include <string_view>

namespace ini {

// The code page's text as UTF-8. A byte the code page leaves unassigned stands for the
// character with its number, so every byte comes back through CodePageFromUtf8.
std::string Utf8FromCodePage(std::string_view text);

// UTF-8 in the active code page. A character the code page lacks becomes its base letter
// where the code page has that (ÿ gives y), else "?"; so does each byte of a broken sequence.
std::string CodePageFromUtf8(std::string_view text);

// UTF-16 code units, little- or big-endian, as UTF-8 and back. A lone surrogate gets the
// three bytes its number would have, so any sequence of code units comes back unchanged. A
// last odd byte is no code unit and is not converted: the caller keeps it.
std::string Utf8FromUtf16(std::string_view bytes, bool bigEndian);
std::string Utf16FromUtf8(std::string_view text, bool bigEndian);

}  // namespace ini
