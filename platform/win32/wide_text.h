// The tools speak UTF-8; Windows' whole-alphabet calls take UTF-16.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace platform {

// UTF-8 text as UTF-16, for the *W calls.
std::wstring Utf16(std::string_view utf8);

// UTF-16 text as UTF-8.
std::string Utf8(std::wstring_view utf16);

// Windows' own words for an error code, as UTF-8 without the closing period and line end:
// "The filename, directory name, or volume label syntax is incorrect (Windows error 123)".
std::string WindowsErrorText(DWORD code);

}  // namespace platform
