// The tuner plug-in saves its settings at On_Exit and has no console to say when it cannot
// (a read-only or full disk). The host sees the file afterwards and tells the user for it.
#pragma once

#include <string>

// Whether the settings file beside the host ("Plugins/glyphbox.ini") holds Enabled and Signal
// as the menu showed them at the end. True without a Plugins folder: the plug-in then keeps no
// settings, by the user's choice. `path` gets the file's path.
bool PluginSettingsSaved(bool enabled, bool signal, std::string* path);
