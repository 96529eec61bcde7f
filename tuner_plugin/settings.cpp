#include "tuner_plugin/settings.h"

#include <cstdio>
#include <cstring>

#include "profile/profile_file.h"
#include "tuner_plugin/plugin_state.h"

namespace glyphbox {
namespace {

constexpr char kSection[] = "Options";

}  // namespace

void SettingsPathBeside(const char* executablePath, char separator, char* out, std::size_t size) {
    const char* lastSeparator = std::strrchr(executablePath, separator);
    int folderLength = lastSeparator ? static_cast<int>(lastSeparator - executablePath + 1) : 0;
    std::snprintf(out, size, "%.*sPlugins%cglyphbox.ini", folderLength, executablePath, separator);
}

int LoadSettings(const char* path) {
    ProfileFile file(path);
    Settings& settings = CurrentSettings();
    settings.enabled = static_cast<std::int8_t>(file.ReadInt(kSection, "Enabled", kDefaultEnabled, 10));
    settings.refreshInterval = file.ReadInt(kSection, "Refresh", kDefaultRefreshMs, 10);
    settings.signalEnabled = static_cast<std::int8_t>(file.ReadInt(kSection, "Signal", kDefaultSignal, 10));
    settings.known = kAllKnown;
    return 0;
}

int SaveSettings(const char* path) {
    ProfileFile file(path);
    Settings& settings = CurrentSettings();
    unsigned known = settings.known.exchange(0);
    // A write that fails (a folder gone read-only, a file another writer holds) fails the
    // same way for the next, so the save stops there and On_Exit waits at most once; what
    // was not saved stays to be saved.
    bool saved = (!(known & kEnabledKnown) || file.WriteInt(kSection, "Enabled", settings.enabled, 10)) &&
                 (!(known & kRefreshKnown) || file.WriteInt(kSection, "Refresh", settings.refreshInterval, 10)) &&
                 (!(known & kSignalKnown) || file.WriteInt(kSection, "Signal", settings.signalEnabled, 10));
    if (!saved) settings.known.fetch_or(known);
    return saved ? 0 : -1;
}

}  // namespace glyphbox
