// The host tools' command line, in the UTF-8 the rest of the tools speak.
#pragma once

namespace platform {

// Replaces `*argc` and `*argv` by the command line in UTF-8. Windows hands main the ANSI code
// page's version, which has already lost every letter outside that page; the wide one is read
// instead. Elsewhere the words are left as they are.
void UseUtf8Arguments(int* argc, char*** argv);

}  // namespace platform
