// The plug-in's four items in the TV host's menu, found by command identifier.
#pragma once

#include <cstddef>
#include <cstdint>

namespace glyphbox {

inline constexpr int kAboutItem = 40060;
inline constexpr int kEnabledItem = 40061;
inline constexpr int kSignalItem = 40062;
inline constexpr int kRefreshItem = 40063;

int ShowEnabledCheck();
int ShowSignalCheck();
int ShowRefreshLabel();

// A flag of exactly 1 becomes 0; any other value becomes 1. Then the item's mark follows.
int ToggleEnabled();
int ToggleSignal();

// 500 -> 1000 -> 2000 -> 5000 -> 10000 -> 500; any other value stays. Then the label follows.
int NextRefreshInterval();

// The refresh item's text: "Refresh: 2s" in whole seconds from one second up, "Refresh: 0.5s"
// below it, and the milliseconds themselves for a value of 0 or less.
void FormatRefreshLabel(std::int32_t intervalMs, char* out, std::size_t size);

}  // namespace glyphbox
