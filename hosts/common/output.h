// Standard output for the host tools. A failed write (a full disk, a closed pipe) is
// remembered, so a tool can end with a message and exit 1 instead of passing it silently.
#pragma once

#include <string>

// Writes `text` (UTF-8); false when it, or any write before it, failed.
bool Print(const std::string& text);

// Print with printf's formats.
bool PrintFormat(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Writes a message for people on standard error (UTF-8, shown right on a Windows console too),
// with printf's formats. Nothing is said about a failure: there is nowhere left to say it.
void PrintError(const char* format, ...) __attribute__((format(printf, 1, 2)));

// True when every write so far succeeded; otherwise says once on stderr, as "TOOL: cannot
// write to standard output: REASON", and returns false.
bool OutputSucceeded(const char* tool);

// Answers `asked`, "--help" (the usage) or "--version", on standard output: the exit code, 0
// or 1 when that output failed.
int PrintHelpOrVersion(const char* tool, const char* usage, const char* asked);
