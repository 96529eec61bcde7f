#include "tuner_plugin/plugin_menu.h"

#include <cstdio>

#include "platform/host_window.h"
#include "tuner_plugin/plugin_state.h"

namespace glyphbox {
namespace {

struct Step {
    std::int32_t from;
    std::int32_t to;
};

constexpr Step kRefreshCycle[] = {{500, 1000}, {1000, 2000}, {2000, 5000}, {5000, 10000}, {10000, 500}};

std::int8_t Toggled(std::int8_t flag) { return flag == 1 ? 0 : 1; }

}  // namespace

int ShowEnabledCheck() {
    platform::CheckHostMenuItem(HostWindow(), kEnabledItem, CurrentSettings().enabled.load() != 0);
    return 0;
}

int ShowSignalCheck() {
    platform::CheckHostMenuItem(HostWindow(), kSignalItem, CurrentSettings().signalEnabled.load() != 0);
    return 0;
}

void FormatRefreshLabel(std::int32_t intervalMs, char* out, std::size_t size) {
    if (intervalMs >= 1000) {
        std::snprintf(out, size, "Refresh: %ds", static_cast<int>(intervalMs / 1000));
    } else if (intervalMs > 0) {
        // Whole seconds would show half a second as "0s"; give the fraction, no trailing zeros.
        int fraction = intervalMs;
        int digits = 3;
        while (fraction % 10 == 0) {
            fraction /= 10;
            --digits;
        }
        std::snprintf(out, size, "Refresh: 0.%0*ds", digits, fraction);
    } else {
        std::snprintf(out, size, "Refresh: %d ms", static_cast<int>(intervalMs));
    }
}

int ShowRefreshLabel() {
    char label[40];
    FormatRefreshLabel(CurrentSettings().refreshInterval.load(), label, sizeof label);
    platform::SetHostMenuItemText(HostWindow(), kRefreshItem, label);
    return 0;
}

int ToggleEnabled() {
    CurrentSettings().enabled.store(Toggled(CurrentSettings().enabled.load()));
    CurrentSettings().known.fetch_or(kEnabledKnown);
    return ShowEnabledCheck();
}

int ToggleSignal() {
    CurrentSettings().signalEnabled.store(Toggled(CurrentSettings().signalEnabled.load()));
    CurrentSettings().known.fetch_or(kSignalKnown);
    return ShowSignalCheck();
}

int NextRefreshInterval() {
    std::int32_t interval = CurrentSettings().refreshInterval.load();
    for (const Step& step : kRefreshCycle) {
        if (step.from == interval) {
            CurrentSettings().refreshInterval.store(step.to);
            CurrentSettings().known.fetch_or(kRefreshKnown);
            break;
        }
    }
    return ShowRefreshLabel();
}

}  // namespace glyphbox
