// Text helpers of ProfileFile: number formatting, booleans, trimming, and zero-separated
// lists (entries each followed by a zero byte, the list ended by one more zero byte).
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>

// A text handed to its caller, who owns it. Plain malloc keeps the plug-in free of the C++
// runtime's allocation machinery.
struct FreeText {
    void operator()(char* text) const { std::free(text); }
};
using HeapText = std::unique_ptr<char[], FreeText>;

// Room for a text of `size` bytes, uninitialised.
HeapText NewText(std::size_t size);

// 2, 8 or 16 unchanged; every other base, 0 and 10 included, becomes 10.
std::int32_t NormalizeBase(std::int32_t base);

// The number's text in `buffer` (at least 65 bytes). Bases 2, 8 and 16 show the 32 bits
// unsigned, without prefix or leading zeros (hex in capitals); every other base is decimal.
void FormatInt(std::int32_t value, char* buffer, std::int32_t base);
void FormatUInt(std::uint32_t value, char* buffer, std::int32_t base);

// At most `maxDigits` binary digits of `value`, the least significant ones, with no leading
// zeros (0 gives "0"); nothing at all is written when `maxDigits` is 0.
void FormatBinary(std::uint32_t value, char* buffer, std::uint32_t maxDigits);

// Reads a number as strtoul does, confined to 32 bits: blanks, a sign, "0x" in base 16,
// digits; a minus sign negates modulo 2^32, a magnitude past 4294967295 gives 4294967295.
std::uint32_t ParseUInt32(const char* text, std::int32_t base);

// 1 for "true" or "yes" (any case) or a non-zero decimal number, 0 otherwise;
// `defaultValue` unchanged for an empty or missing text.
std::int32_t ParseBool(const char* text, std::int32_t defaultValue);

// Splits `source` at `delimiter` ("," when none) into a zero-separated list in `target`,
// leaving out empty pieces (after trimming when `trim`); returns the bytes used without the
// list's final zero. An empty delimiter copies the source whole as a plain text. Nothing is
// written at or past `size`: pieces that do not fit are left out, with all after them.
std::uint32_t SplitText(const char* source, char* target, std::uint32_t size,
                        const char* delimiter, std::int32_t trim);

// Removes spaces, tabs, carriage returns and line feeds from both ends, in place; 1 if
// anything was removed.
std::int32_t TrimText(char* text);

// A new text of the bytes from `start` up to `end` (not splitting a double-byte character).
HeapText CopySpan(const char* start, const char* end);

// Calls `callback` for each entry of the list until one answers 0; 1 when the list's end
// was reached, 0 when stopped or when the list or callback is none.
using ListCallback = std::int32_t (*)(const char* entry, void* user);
std::int32_t WalkList(const char* list, ListCallback callback, void* user);

// WalkList callback: 0 (stop) when the entry equals the name `user` points to, ignoring
// the case of A to Z.
std::int32_t MatchName(const char* entry, void* name);

// Where ReadKeyNames writes the next key name, and what it has counted.
struct KeyListCursor {
    char* position;       // none when only counting
    std::uint32_t room;   // bytes left in the caller's buffer
    std::uint32_t total;  // bytes used so far, each name with its terminator
};

// WalkList callback over a section's "key=value" lines: adds the trimmed key name to the
// KeyListCursor `user` points to. Lines without "=" or with an empty name before it are
// skipped. A name that would leave no room for the list's final zero is left out, and so is
// every name after it.
std::int32_t CollectKeyName(const char* entry, void* cursor);
