// Small helpers for the hosts' own text files (scenarios, screens).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// Screens and scenarios are a few hundred bytes; anything far larger is the wrong file.
inline constexpr std::size_t kMaxTextFileBytes = 1 << 20;

// The whole file's bytes; false, with `error` saying why (no such file, a folder, a fifo or a
// device, larger than kMaxTextFileBytes, the system's reason it cannot be read), otherwise.
bool ReadTextFile(const std::string& path, std::string* text, std::string* error);

// Makes sure `text` is UTF-8 text a person wrote and drops a UTF-8 byte-order mark. False,
// with `error` naming the line ("line 3: ..."), for a NUL byte, a control character other
// than tab, CR and LF, bytes that are not UTF-8, or a UTF-16 file; the error never repeats
// the offending bytes, so it is safe to print.
bool CheckUtf8Text(std::string* text, std::string* error);

// ReadTextFile, then CheckUtf8Text.
bool ReadUtf8TextFile(const std::string& path, std::string* text, std::string* error);

// The lines of a text, without their "\n" or "\r\n"; line i is numbered i + 1.
std::vector<std::string_view> SplitLines(std::string_view text);
