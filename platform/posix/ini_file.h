// Reading and writing INI files safely: writers are serialised, a write replaces the file
// atomically, and reads always see the file's current content.
#pragma once

#include <functional>
#include <memory>

#include "platform/posix/ini_document.h"

namespace ini {

// The file's current content, parsed; empty when the file is missing or unreadable. The
// last file parsed is kept and used again while its inode, size and modification time stay
// the same. A file with a UTF-16 byte-order mark is converted to the active code page.
std::shared_ptr<const Document> ReadFile(const char* path);

// Applies `edit` to the file's current content while holding a lock that serialises
// writers, and when `edit` reports a change, writes the result to a temporary file in the
// same folder and renames it over the original (keeping its mode and encoding). True when
// nothing needed changing or the change was saved; false when the path is empty, its folder
// is missing, the file is read-only, or the save failed (the file is then unchanged).
bool EditFile(const char* path, const std::function<bool(Document&)>& edit);

}  // namespace ini
