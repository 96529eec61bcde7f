// What the TV host's calls do; the exported functions forward here.
#pragma once

#include <cstdint>

#include "platform/host_window.h"

namespace glyphbox {

// Keeps the host window, answers "G" and 0 through the two pointers, stops a worker still
// running from an earlier start (so two never poll side by side), and loads the settings.
void Start(platform::HostWindow window, char* character, std::int32_t* integer);

// Stops the worker, then saves the settings.
void Exit();

// The common event step: start the worker if none runs, refresh the three menu items.
void Event();

// The common step, then the item's action.
void MenuSelect(std::uint32_t commandId);

// Copies "Glyphbox" into the host's buffer.
void SendName(char* buffer);

}  // namespace glyphbox
