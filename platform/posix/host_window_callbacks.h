// The host window as a Linux TV host passes it to On_Start: plain C callbacks, so a host
// written in any language can provide it.
#pragma once

#include <cstdint>

extern "C" {

struct HostWindowCallbacks {
    void* context;
    // Fills `record` for `command` before returning.
    void (*query)(void* context, std::uint32_t command, void* record);
    void (*checkMenuItem)(void* context, int commandId, int checked);
    void (*setMenuItemText)(void* context, int commandId, const char* text);
    // Shows the About box; `links` holds three texts, each followed by its target.
    int (*showAbout)(void* context, const char* title, const char* version, const char* credit,
                     const char* const* links);
};

}  // extern "C"
