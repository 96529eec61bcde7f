// Multibyte text of the active ANSI code page: double-byte characters are stepped over whole
// and never split. Letters are compared without regard to case for A to Z only.
#pragma once

#include <cstddef>

namespace platform {

// Selects the code page the functions below work in; false if it is not supported. The
// default is the system's (on Linux, 1250: no double-byte characters).
bool SetMultibyteCodePage(int codePage);

// The active code page's number.
int ActiveCodePage();

// True when `byte` starts a double-byte character in the active code page.
bool IsLeadByte(unsigned char byte);

// Copies `source` into `destination`, writing exactly `count` bytes: up to the terminator,
// then zero bytes. A source of `count` bytes or more gets no terminator. A double-byte
// character is never split: when only its lead byte would fit, a zero byte goes in its
// place and copying stops.
void MbsBoundedCopy(char* destination, const char* source, std::size_t count);

// <0, 0 or >0 as `a` sorts before, equal to or after `b`; the "NoCase" form folds A to Z.
int MbsCompare(const char* a, const char* b);
int MbsCompareNoCase(const char* a, const char* b);

// The first occurrence of `needle` in `text` that starts on a character boundary, or null.
// An empty needle matches at the start.
const char* MbsFind(const char* text, const char* needle);

// The first character of `text` equal to `character` (a single byte, or lead and trail
// byte as one value), or null.
const char* MbsFindChar(const char* text, unsigned int character);

// Reverses the characters of `text` in place, keeping each double-byte character in order.
void MbsReverse(char* text);

}  // namespace platform
