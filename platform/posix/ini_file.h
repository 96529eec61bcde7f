// Reading and writing INI files safely: writers take turns, a write replaces the file
// atomically, and reads always see the file's current content.
#pragma once

#include <functional>
#include <memory>

#include "platform/posix/ini_document.h"

namespace ini {

// Settings files are small. Every call reads the file whole, as Windows does, so one past
// this size is refused (read as empty, never written) rather than stalling every call.
constexpr long long kLargestFile = 32ll << 20;

// The file's current content; empty when the file is missing, unreadable, no regular file
// or past kLargestFile. The last file read is kept and used again while its inode, size,
// modification and change times stay the same. A file with a UTF-16 byte-order mark is
// given as UTF-8 behind a UTF-8 mark.
std::shared_ptr<const Document> ReadFile(const char* path);

// Applies `edit` to the file's current content in its turn among the writers of the file,
// and when `edit` reports a change, writes the result to a temporary file in the same
// folder and renames it over the original (keeping its mode, owner and encoding). A path
// that is a symbolic link, or a chain of them, is followed to its end, which is created when
// missing. True when nothing needed changing or the change was saved; false when the path
// is empty, its folder is missing, the links loop, the file is no regular file, read-only,
// too large or would grow past kLargestFile, the writers ahead did not move for about a
// second, the lock file is no regular file, or the save failed (the file is then unchanged);
// errno then says why (EINVAL for a lock file that is a pipe or a device, EFBIG for a file
// past the file size limit).
bool EditFile(const char* path, const std::function<bool(Document&)>& edit);

}  // namespace ini
