// Descriptors 0 to 2 belong to the standard streams even while a stream is closed: a file
// given one of those numbers would receive whatever the program, or the host that loaded us,
// prints. Everything we open is moved above them and closes on exec.
#pragma once

namespace platform {

// `fd` itself when it is above 2 (or -1); otherwise a close-on-exec copy above 2, with `fd`
// closed. -1, with `fd` closed, when no copy can be made.
int AboveStandardStreams(int fd);

}  // namespace platform
