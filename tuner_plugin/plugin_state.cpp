#include "tuner_plugin/plugin_state.h"

#include "platform/executable_path.h"
#include "status_block/shared_block_mapping.h"
#include "status_block/status_block_name.h"
#include "tuner_plugin/settings.h"

namespace glyphbox {
namespace {

constexpr std::size_t kPathCapacity = 1024;

Settings settings;
std::atomic<platform::HostWindow> hostWindow{nullptr};
void* moduleInstance = nullptr;
char settingsPath[kPathCapacity];

SharedBlockMapping& Mapping() {
    static SharedBlockMapping mapping(StatusBlockName());
    return mapping;
}

}  // namespace

Settings& CurrentSettings() { return settings; }

StatusBlock* Block() { return Mapping().View(); }

// Written by the entry points and the worker alike, so every store is a single atomic one.
void SetIsRunning(std::int8_t value) {
    if (StatusBlock* block = Block()) std::atomic_ref<std::int8_t>(block->isRunning).store(value);
}

void SetHostWindow(platform::HostWindow window) { hostWindow.store(window); }

platform::HostWindow HostWindow() { return hostWindow.load(); }

void AttachProcess(void* module) {
    moduleInstance = module;
    char executable[kPathCapacity];
    platform::GetExecutablePath(executable, sizeof executable);
    SettingsPathBeside(executable, platform::kPathSeparator, settingsPath, sizeof settingsPath);
    SetIsRunning(0);
}

void* ModuleInstance() { return moduleInstance; }

const char* SettingsPath() { return settingsPath; }

}  // namespace glyphbox
