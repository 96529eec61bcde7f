// Named shared memory that two processes find by name and that disappears once no process
// holds it.
#pragma once

#include <cstdint>

namespace platform {

// An open shared-memory object: the kernel handle on Windows, a descriptor elsewhere, and
// the name the platform knows it by where releasing it needs the name again.
struct SharedMemoryHandle {
    std::intptr_t value = 0;
    bool open = false;
    char objectName[256] = {};
};

// Creates the object with `size` zero bytes, or opens it when another process made it first.
// Each user has their own object under a name (a logon session's namespace on Windows, the
// user's id in the name elsewhere); a name past 200 bytes is shortened to its first 200, '~'
// and a hash of the whole. `created` (may be null) tells which. A handle with open == false
// means failure: a null or empty name; also, elsewhere, an object that another user owns or
// others may open, one that stays smaller than `size`, or one whose lock another process
// keeps (given up after about a second).
SharedMemoryHandle OpenSharedMemory(const char* name, std::uint32_t size, bool* created);

// Maps `size` bytes of the object read/write; null on failure. The view outlives the handle.
// Elsewhere than on Windows another process may cut the object short under the view: the
// view's next touch grows it back (zeros) rather than end the process with SIGBUS, or, once
// the handle is closed, finds zeros of this process's own.
void* MapSharedMemory(const SharedMemoryHandle& handle, std::uint32_t size);

// Unmaps a view returned by MapSharedMemory; null is ignored.
void UnmapSharedMemory(void* view, std::uint32_t size);

// Releases the handle and marks it closed; a closed handle is ignored.
void CloseSharedMemory(SharedMemoryHandle& handle);

// The calling plug-in may be unloaded once this returns (call it from its exit entry point).
// Elsewhere than on Windows, when a handler someone else set after the views' guard may pass
// faults on to it, the plug-in stays loaded for good instead; otherwise nothing changes.
void PrepareSharedMemoryForUnload();

}  // namespace platform
