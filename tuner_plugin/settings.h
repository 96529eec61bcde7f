// The plug-in's three settings in "Plugins/glyphbox.ini" beside the TV host, section
// "Options": read at On_Start, written at On_Exit.
#pragma once

#include <cstddef>

namespace glyphbox {

inline constexpr int kDefaultEnabled = 1;
inline constexpr int kDefaultRefreshMs = 2000;
inline constexpr int kDefaultSignal = 1;

// Writes the settings file's path for a host at `executablePath`: its folder, then
// "Plugins", `separator`, "glyphbox.ini". A path without a folder gives the relative path.
void SettingsPathBeside(const char* executablePath, char separator, char* out, std::size_t size);

// Reads the settings into the module state (flags keep the low byte of the number read);
// missing values give the defaults. Returns 0.
int LoadSettings(const char* path);

// Writes the settings loaded or changed by the user since the last save (none before the
// first load), then counts them as saved. Returns 0, or -1 when a write failed: the writes
// after it are not tried, and what was not saved stays to be saved.
int SaveSettings(const char* path);

}  // namespace glyphbox
