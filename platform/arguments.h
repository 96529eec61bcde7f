// The host tools' command line and their own path, in the UTF-8 the rest of the tools speak.
#pragma once

#include <string>

namespace platform {

// Replaces `*argc` and `*argv` by the command line in UTF-8. Windows hands main the ANSI code
// page's version, which has already lost every letter outside that page; the wide one is read
// instead. Elsewhere the words are left as they are.
void UseUtf8Arguments(int* argc, char*** argv);

// The running program's full path in UTF-8; empty on failure. GetExecutablePath gives it in
// the ANSI code page on Windows, as the plug-ins need it, and that cannot spell every name.
std::string ExecutablePathUtf8();

}  // namespace platform
