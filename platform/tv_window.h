// The TV host emulator's main window: it carries the plug-in's menu items, answers the
// plug-in's queries and runs the host's clock. A real window with a menu bar and message
// loop on Windows; on Linux the callbacks the plug-in's On_Start takes.
#pragma once

#include <cstdint>
#include <string>

#include "platform/host_window.h"

namespace platform {

struct TvWindowEvents {
    void* context;
    // Fill `record` for the plug-in's query `command`.
    void (*query)(void* context, std::uint32_t command, void* record);
    // The user chose menu item `commandId`.
    void (*menuChosen)(void* context, int commandId);
    // Called every tick of RunTvWindow; false ends the loop.
    bool (*tick)(void* context);
    // Text the window shows as its own (on Linux the About box, which Windows shows as a
    // dialog of the plug-in's), for the host to print or not; may be null.
    void (*show)(void* context, const char* text);
};

struct TvWindow;

// Opens the window, with the menu "EXTERN" from `pluginLibrary` (null: the program's own
// resources) under a "Glyphbox" menu; on Linux the items start as that resource has them.
// Null on failure.
TvWindow* OpenTvWindow(const char* title, void* pluginLibrary, const TvWindowEvents& events);

// What On_Start receives as the host's main window; null for a null window.
HostWindow TvWindowHandle(TvWindow* window);

// Runs the window until a tick answers false, calling it every `tickMs`.
void RunTvWindow(TvWindow* window, int tickMs);

// Chooses a menu item as the user would; the choice arrives through `menuChosen`.
void ChooseTvMenuItem(TvWindow* window, int commandId);

// A menu item as shown: its check mark and its text.
bool TvMenuItemChecked(TvWindow* window, int commandId);
std::string TvMenuItemText(TvWindow* window, int commandId);

// Closes the window; null is ignored.
void CloseTvWindow(TvWindow* window);

}  // namespace platform
