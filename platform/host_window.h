// What the tuner plug-in does to the TV host's main window: queries, menu marks and text,
// and the modal About box it owns.
#pragma once

#include <cstdint>

namespace platform {

// An HWND on Windows; elsewhere a HostWindowCallbacks* (platform/posix/host_window_callbacks.h)
// that the host passes to On_Start.
using HostWindow = void*;

// Sends query `command` with `record` and returns once the host has answered; the answer's
// value is not used. A null window is ignored.
void SendHostQuery(HostWindow window, std::uint32_t command, void* record);

// Sets or clears the check mark of menu item `commandId`; nothing happens when the window has
// no menu or the menu no such item.
void CheckHostMenuItem(HostWindow window, int commandId, bool checked);

// Replaces the text of menu item `commandId`, which stays a string item with that identifier.
void SetHostMenuItemText(HostWindow window, int commandId, const char* text);

struct AboutLink {
    int controlId;
    const char* text;
    const char* target;  // what the shell opens
};

struct AboutBox {
    const char* title;
    const char* version;
    const char* credit;
    AboutLink links[3];
};

// Shows the About box modally over `owner`; on Windows the dialog "DLLABOUT" of `module`.
// Returns how it was closed (1 for OK), 0 if it could not be shown.
int ShowAboutBox(void* module, HostWindow owner, const AboutBox& box);

}  // namespace platform
