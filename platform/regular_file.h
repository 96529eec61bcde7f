// Files the host tools read and write by name. Only regular files are read: a fifo or a device
// named by mistake must neither block the tool nor feed it without end. Outputs may also be a
// device (/dev/null, NUL) or a pipe.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace platform {

// The whole regular file at `path`, when it has at most `maxBytes`. False with `error` saying
// why otherwise: "no such file", "is a folder, not a file", "is not a regular file (a pipe or
// a device)", "is N bytes; files over M bytes are refused", or the system's reason.
bool ReadRegularFile(const std::string& path, std::size_t maxBytes, std::string* bytes,
                     std::string* error);

// Writes `bytes` to the file at `path`, created when missing, after what it holds (`append`)
// or in its place; to a device or a pipe as they are. False with `error` ("is a folder, not a
// file", "is a pipe that no program reads", or the system's reason, such as "No space left on
// device") otherwise.
bool WriteRegularFile(const std::string& path, std::string_view bytes, bool append,
                      std::string* error);

// Whether `path` can take a later WriteRegularFile, without opening it: a regular file, a
// device or a pipe, or no file yet in a folder that exists. False with `error` saying why not.
bool CheckWritablePath(const std::string& path, std::string* error);

}  // namespace platform
