// The tuner plug-in's module state, one copy per process. The entry points write the
// settings and the host window while the worker reads them each cycle, so each is atomic.
#pragma once

#include <atomic>
#include <cstdint>

#include "platform/host_window.h"
#include "status_block/status_block.h"

namespace glyphbox {

// Bits of Settings::known.
inline constexpr unsigned kEnabledKnown = 1;
inline constexpr unsigned kRefreshKnown = 2;
inline constexpr unsigned kSignalKnown = 4;
inline constexpr unsigned kAllKnown = kEnabledKnown | kRefreshKnown | kSignalKnown;

struct Settings {
    std::atomic<std::int8_t> enabled{0};
    std::atomic<std::int32_t> refreshInterval{0};  // milliseconds
    std::atomic<std::int8_t> signalEnabled{0};
    // Which values were loaded or changed by the user since the last save: only those are
    // saved, so a host that exits without a start never writes its zeros over the file.
    std::atomic<unsigned> known{0};
};

Settings& CurrentSettings();

// The block, created or opened under its name at first use (the load); null when it could
// not be mapped.
StatusBlock* Block();

// Writes isRunning when the block is mapped.
void SetIsRunning(std::int8_t value);

void SetHostWindow(platform::HostWindow window);
platform::HostWindow HostWindow();

// The load step: keeps the module, finds the settings file beside the host's executable
// and clears isRunning.
void AttachProcess(void* module);

void* ModuleInstance();
const char* SettingsPath();

}  // namespace glyphbox
