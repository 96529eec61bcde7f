#include "tuner_plugin/entry_points.h"

#include <cstring>

#include "platform/shared_memory.h"
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
    platform::PrepareSharedMemoryForUnload();
}

namespace {

// The common step of every event; true when a worker was running already.
bool EventStep() {
    bool wasRunning = StartWorker() == 1;
    ShowEnabledCheck();
    ShowRefreshLabel();
    ShowSignalCheck();
    return wasRunning;
}

}  // namespace

// Each event means the host's state (or our settings) changed: a running worker polls at
// once rather than at its next cycle, so the LCD follows a zap within one of its refreshes.
// A worker just started polls at once anyway.
void Event() {
    if (EventStep()) PollSoon();
}

void MenuSelect(std::uint32_t commandId) {
    bool wasRunning = EventStep();
    switch (commandId) {
        case kAboutItem: ShowAboutDialog(); break;
        case kEnabledItem: ToggleEnabled(); break;
        case kSignalItem: ToggleSignal(); break;
        case kRefreshItem: NextRefreshInterval(); break;
        default: break;
    }
    if (wasRunning) PollSoon();
}

void SendName(char* buffer) {
    if (buffer) std::memcpy(buffer, "Glyphbox", sizeof "Glyphbox");
}

}  // namespace glyphbox
