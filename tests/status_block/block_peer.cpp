// The other process of the two-process block tests.
//   block_peer second NAME        opens NAME (made by the test), checks the test's pattern,
//                                 writes its own; exit 0 if every byte matched.
//   block_peer first NAME READY   creates NAME, writes its pattern, creates the file READY,
//                                 waits until the test has written its pattern; exit 0 then.
#include <chrono>
#include <cstdio>
#include <cstring>
#include <thread>

#include "status_block/shared_block_mapping.h"
#include "tests/status_block/block_pattern.h"

namespace {

constexpr int kNoBlock = 2;
constexpr int kWrongBytes = 3;
constexpr int kTimedOut = 4;
constexpr auto kPatience = std::chrono::seconds(30);

int OpenSecond(const char* name) {
    SharedBlockMapping mapping(name);
    if (!mapping.View() || mapping.Size() != kStatusBlockSize) return kNoBlock;
    if (CountMismatches(mapping.View(), TestByte) != 0) return kWrongBytes;
    FillBlock(mapping.View(), PeerByte);
    return 0;
}

int OpenFirst(const char* name, const char* readyFile) {
    SharedBlockMapping mapping(name);
    if (!mapping.View() || mapping.Size() != kStatusBlockSize) return kNoBlock;
    if (CountMismatches(mapping.View(), [](int) { return 0; }) != 0) return kWrongBytes;
    FillBlock(mapping.View(), PeerByte);
    std::FILE* ready = std::fopen(readyFile, "w");
    if (!ready) return kNoBlock;
    std::fclose(ready);
    auto deadline = std::chrono::steady_clock::now() + kPatience;
    while (CountMismatches(mapping.View(), TestByte) != 0) {
        if (std::chrono::steady_clock::now() > deadline) return kTimedOut;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "second") == 0) return OpenSecond(argv[2]);
    if (argc == 4 && std::strcmp(argv[1], "first") == 0) return OpenFirst(argv[2], argv[3]);
    std::fprintf(stderr, "usage: block_peer second NAME | first NAME READY\n");
    return 1;
}
