#include "tuner_plugin/entry_points.h"

#include <cstring>

#include "tuner_plugin/about_dialog.h"
#include "tuner_plugin/plugin_menu.h"
#include "tuner_plugin/plugin_state.h"
#include "tuner_plugin/polling_worker.h"
#include "tuner_plugin/settings.h"

namespace glyphbox {

void Start(platform::HostWindow window, char* character, std::int32_t* integer) {
    SetHostWindow(window);
    if (character) *character = 'G';
    if (integer) *integer = 0;
    StopWorker();
    LoadSettings(SettingsPath());
}

void Exit() {
    StopWorker();
    SaveSettings(SettingsPath());
}

void Event() {
    StartWorker();
    ShowEnabledCheck();
    ShowRefreshLabel();
    ShowSignalCheck();
}

void MenuSelect(std::uint32_t commandId) {
    Event();
    switch (commandId) {
        case kAboutItem: ShowAboutDialog(); break;
        case kEnabledItem: ToggleEnabled(); break;
        case kSignalItem: ToggleSignal(); break;
        case kRefreshItem: NextRefreshInterval(); break;
        default: break;
    }
}

void SendName(char* buffer) {
    if (buffer) std::memcpy(buffer, "Glyphbox", sizeof "Glyphbox");
}

}  // namespace glyphbox
