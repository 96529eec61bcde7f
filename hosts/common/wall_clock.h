// The wall clock in milliseconds, which lets two processes' logs be matched.
#pragma once

#include <chrono>

inline long long WallClockMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}
