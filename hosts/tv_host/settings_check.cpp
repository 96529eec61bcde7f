#include "hosts/tv_host/settings_check.h"

#include <sstream>

#include "hosts/common/beside_executable.h"
#include "platform/executable_path.h"
#include "platform/regular_file.h"

namespace {

// "KEY=VALUE" on a line of its own, as the plug-in's settings engine writes it.
bool Holds(const std::string& text, const std::string& line) {
    std::istringstream lines(text);
    for (std::string each; std::getline(lines, each);)
        if (each == line || each == line + "\r") return true;
    return false;
}

}  // namespace

bool PluginSettingsSaved(bool enabled, bool signal, std::string* path) {
    *path = BesideExecutable(std::string("Plugins") + platform::kPathSeparator + "glyphbox.ini");
    std::string text, error;
    if (!platform::CheckWritablePath(*path, &error)) return error == "no such folder";
    return platform::ReadRegularFile(*path, 1 << 20, &text, &error) &&
           Holds(text, std::string("Enabled=") + (enabled ? "1" : "0")) &&
           Holds(text, std::string("Signal=") + (signal ? "1" : "0"));
}
