// Menu item "About...": the plug-in's name, version and three links.
#pragma once

namespace glyphbox {

// Runs the About dialog modally over the host window; returns how it was closed.
int ShowAboutDialog();

}  // namespace glyphbox
