#include <algorithm>
#include <thread>

#include "platform/stop_request.h"

namespace platform {

bool SleepUnlessStopped(std::chrono::steady_clock::time_point until) {
    constexpr std::chrono::milliseconds kLook{50};
    while (!StopRequested()) {
        auto now = std::chrono::steady_clock::now();
        if (now >= until) return true;
        std::this_thread::sleep_for(
            std::min<std::chrono::steady_clock::duration>(until - now, kLook));
    }
    return false;
}

}  // namespace platform
