// Small helpers for the hosts' own text files (scenarios, screens).
#pragma once

#include <string>
#include <string_view>
#include <vector>

// The whole file's bytes; false when it cannot be read.
bool ReadTextFile(const std::string& path, std::string* text);

// The lines of a text, without their "\n" or "\r\n"; line i is numbered i + 1.
std::vector<std::string_view> SplitLines(std::string_view text);
