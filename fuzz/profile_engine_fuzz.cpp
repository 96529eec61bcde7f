// Feeds arbitrary file bytes and sequences of profile calls to the Linux INI engine. Every
// call must stay inside its buffer, answer within its contract, and a plain value that was
// stored must read back.
#include <fuzzer/FuzzedDataProvider.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/profile_calls.h"

namespace {

constexpr unsigned char kGuard = 0xCC;
constexpr std::size_t kGuardBytes = 16;

// One file in memory-backed storage, removed when the fuzzer ends.
struct FuzzFile {
    std::string path = "/dev/shm/glyphbox-fuzz-" + std::to_string(getpid()) + ".ini";
    ~FuzzFile() { std::remove(path.c_str()); }
};

const std::string& FilePath() {
    static const FuzzFile file;
    return file.path;
}

void Check(bool condition) {
    if (!condition) __builtin_trap();
}

// A buffer of `size` bytes followed by guard bytes that no call may touch.
struct GuardedBuffer {
    explicit GuardedBuffer(unsigned size) : size(size), bytes(size + kGuardBytes, kGuard) {}
    char* data() { return bytes.data(); }
    void CheckGuard() const {
        for (std::size_t i = size; i < bytes.size(); ++i)
            Check(static_cast<unsigned char>(bytes[i]) == kGuard);
    }
    unsigned size;
    std::vector<char> bytes;
};

bool IsPlain(const std::string& text) {
    if (text.empty()) return false;
    for (char c : text)
        if (!((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'))) return false;
    return true;
}

// Names and values are either short plain words, so that stored values can be checked,
// or arbitrary bytes.
std::string Text(FuzzedDataProvider& input) {
    if (input.ConsumeBool()) return input.ConsumeRandomLengthString(12);
    static const char* kWords[] = {"s", "k", "Options", "v1", "a", "b", "x9", "key"};
    return kWords[input.ConsumeIntegralInRange<int>(0, 7)];
}

void ReadString(FuzzedDataProvider& input, const char* path) {
    std::string section = Text(input), key = Text(input), fallback = Text(input);
    unsigned size = input.ConsumeIntegralInRange<unsigned>(0, 300);
    int form = input.ConsumeIntegralInRange<int>(0, 2);
    GuardedBuffer buffer(size);
    unsigned count = platform::ReadProfileString(form == 1 ? nullptr : section.c_str(),
                                                 form == 2 ? nullptr : key.c_str(),
                                                 fallback.c_str(), buffer.data(), size, path);
    buffer.CheckGuard();
    Check(size == 0 ? count == 0 : count < size);
}

void ReadList(FuzzedDataProvider& input, const char* path) {
    std::string section = Text(input);
    unsigned size = input.ConsumeIntegralInRange<unsigned>(0, 300);
    GuardedBuffer buffer(size);
    unsigned count = input.ConsumeBool()
                         ? platform::ReadProfileSection(section.c_str(), buffer.data(), size, path)
                         : platform::ReadProfileSectionNames(buffer.data(), size, path);
    buffer.CheckGuard();
    Check(size < 2 ? count == 0 : count <= size - 2);
}

void Write(FuzzedDataProvider& input, const char* path) {
    std::string section = Text(input), key = Text(input), value = Text(input);
    int form = input.ConsumeIntegralInRange<int>(0, 2);
    int ok = platform::StoreProfileString(section.c_str(), form == 1 ? nullptr : key.c_str(),
                                          form == 2 ? nullptr : value.c_str(), path);
    if (form != 0 || !ok || !IsPlain(section) || !IsPlain(key) || !IsPlain(value)) return;
    char buffer[64];
    platform::ReadProfileString(section.c_str(), key.c_str(), "<none>", buffer, sizeof buffer, path);
    Check(value == buffer);
}

void WriteSection(FuzzedDataProvider& input, const char* path) {
    std::string section = Text(input);
    std::string lines = input.ConsumeRandomLengthString(64);
    lines.append(2, '\0');
    platform::StoreProfileSection(section.c_str(), input.ConsumeBool() ? lines.c_str() : nullptr,
                                  path);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    const char* path = FilePath().c_str();
    std::string file = input.ConsumeRandomLengthString(2048);
    if (std::FILE* out = std::fopen(path, "wb")) {
        std::fwrite(file.data(), 1, file.size(), out);
        std::fclose(out);
    }
    for (int step = 0; step < 8 && input.remaining_bytes() > 0; ++step) {
        switch (input.ConsumeIntegralInRange<int>(0, 3)) {
            case 0: ReadString(input, path); break;
            case 1: ReadList(input, path); break;
            case 2: Write(input, path); break;
            default: WriteSection(input, path); break;
        }
    }
    return 0;
}
