// The program's console.
#pragma once

#include <string_view>

namespace platform {

// True when standard output goes to a terminal rather than a file or a pipe.
bool StandardOutputIsTerminal();

// The terminal's visible size in character cells; false when standard output is no terminal
// or its size cannot be had.
bool TerminalSize(int* columns, int* rows);

// Prepares standard output for UTF-8 text and escape codes (cursor moves, clearing); false
// where the console cannot do both, so the caller falls back to plain text.
bool EnableTerminalEscapes();

// Writes UTF-8 text to standard output and flushes it: to a Windows console as its own
// characters, to a pipe or a file as the UTF-8 bytes. False, with errno set where the C
// library gives a reason, when the text could not be written.
bool WriteStandardOutput(std::string_view utf8);

}  // namespace platform
