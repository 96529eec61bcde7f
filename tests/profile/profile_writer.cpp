// One of the writer processes of ProfileCalls.ConcurrentWritersLoseNoUpdate.
//   profile_writer PATH INDEX WRITES GO   waits until the file GO exists, then stores
//                                         WRITES keys of its own ("pINDEXkJ" = J, J from 1)
//                                         in section "s" of PATH; exits with the number of
//                                         failed writes (at most 100), or 101 when it never
//                                         saw GO or was called wrongly.
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

#include "platform/profile_calls.h"

namespace {

constexpr int kMostReported = 100;
constexpr int kNoStart = 101;
constexpr auto kPatience = std::chrono::seconds(60);

}  // namespace

int main(int argc, char** argv) {
    if (argc != 5) return kNoStart;
    const char* path = argv[1];
    const std::string index = argv[2];
    const int writes = std::atoi(argv[3]);
    // Every writer starts at once, so the lock is contended from the first write on.
    auto deadline = std::chrono::steady_clock::now() + kPatience;
    while (!std::filesystem::exists(argv[4])) {
        if (std::chrono::steady_clock::now() > deadline) return kNoStart;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    int failed = 0;
    for (int write = 1; write <= writes; ++write) {
        std::string key = "p" + index + "k" + std::to_string(write);
        if (platform::StoreProfileString("s", key.c_str(), std::to_string(write).c_str(), path) ==
            0)
            ++failed;
    }
    return failed < kMostReported ? failed : kMostReported;
}
