// Keeps views of shared-memory objects usable when another process cuts an object short:
// touching a page past an object's end raises SIGBUS, which would end the process.
#pragma once

#include <cstdint>

namespace platform {

// Watches [view, view + size) of the object open as `fd`: a fault there grows the object
// back to `size` (its bytes then read as zeros); where that fails (a full tmpfs), or `fd` was
// forgotten, zero pages of this process's own take the view's place. False, watching nothing, when
// every slot is in use.
bool GuardMapping(void* view, std::uint32_t size, int fd);

// Stops watching `view` (null and unwatched views are ignored); call it before unmapping.
void UnguardMapping(void* view);

// `fd` is about to be closed: a later fault must not grow whatever file reuses the number.
void ForgetMappingDescriptor(int fd);

// The code may be unloaded next: when a handler other than a copy of ours was set after ours
// and may pass faults on to it, this copy's code stays loaded for good; else nothing happens.
void KeepLoadedWhileOthersChainToUs();

}  // namespace platform
