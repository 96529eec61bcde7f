// The program's console: text for people on standard output, and a picture redrawn in place.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace platform {

// True when standard output goes to a terminal rather than a file or a pipe.
bool StandardOutputIsTerminal();

// The terminal's visible size in character cells; false when standard output is no terminal
// or its size cannot be had.
bool TerminalSize(int* columns, int* rows);

// Writes UTF-8 text to standard output and flushes it: to a Windows console as its own
// (UTF-16) characters, to a pipe or a file as the UTF-8 bytes. False, with errno set where the
// C library gives a reason, when the text could not be written.
bool WriteStandardOutput(std::string_view utf8);

// Writes UTF-8 text to standard error, as WriteStandardOutput does to standard output.
bool WriteStandardError(std::string_view utf8);

// Takes the terminal for a picture redrawn in place and hides the cursor. False where the
// terminal cannot place text (no terminal, TERM=dumb): the caller prints plain frames.
bool BeginTerminalScreen();

// Draws `lines` (UTF-8, none wider than the terminal) from the top-left corner of the
// terminal's window, blanking whatever the previous draw left to their right and below.
// False when the terminal could not be written.
bool DrawTerminalScreen(const std::vector<std::string>& lines);

// Gives the cursor back, on the line below the picture. Does nothing without a Begin.
void EndTerminalScreen();

// True once after each change of the terminal's size.
bool TerminalWasResized();

}  // namespace platform
