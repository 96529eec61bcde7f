// Feeds arbitrary file bytes (as they are, behind a UTF-8 mark, or widened to UTF-16) and
// sequences of profile calls to the Linux INI engine. Every call must stay inside its
// buffer, answer within its contract, a plain value that was stored must read back, and a
// write must keep every line outside the sections of the name it was given byte for byte.
#include <fuzzer/FuzzedDataProvider.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include "platform/profile_calls.h"

namespace {

constexpr unsigned char kGuard = 0xCC;
constexpr std::size_t kGuardBytes = 16;

// One file in memory-backed storage, removed with the engine's lock file when the fuzzer
// ends.
struct FuzzFile {
    std::string path = "/dev/shm/glyphbox-fuzz-" + std::to_string(getpid()) + ".ini";
    ~FuzzFile() {
        std::remove(path.c_str());
        std::remove((path + ".lock").c_str());
    }
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

std::string Slurp(const char* path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A file's text as code units (bytes, or UTF-16 units) after its byte-order mark.
struct Units {
    std::string mark;
    std::vector<unsigned> units;
};

Units ToUnits(const std::string& bytes) {
    Units text;
    bool little = bytes.rfind("\xFF\xFE", 0) == 0, big = bytes.rfind("\xFE\xFF", 0) == 0;
    if (little || big) {
        text.mark = bytes.substr(0, 2);
        for (std::size_t i = 2; i + 1 < bytes.size(); i += 2) {
            auto a = static_cast<unsigned char>(bytes[i]), b = static_cast<unsigned char>(bytes[i + 1]);
            text.units.push_back(big ? (a << 8 | b) : (b << 8 | a));
        }
        return text;
    }
    std::size_t start = bytes.rfind("\xEF\xBB\xBF", 0) == 0 ? 3 : 0;
    text.mark = bytes.substr(0, start);
    for (std::size_t i = start; i < bytes.size(); ++i) text.units.push_back(static_cast<unsigned char>(bytes[i]));
    return text;
}

struct Line {
    std::vector<unsigned> content;
    std::vector<unsigned> lineBreak;
    bool inTarget = false;  // inside a section whose name matches the one written
};

bool IsBlankUnit(unsigned c) { return (c >= 0x09 && c <= 0x0D) || c == 0x1A || c == 0x20; }
unsigned Folded(unsigned c) { return c >= 'a' && c <= 'z' ? c - 32 : c; }

// Lines as the engine splits them (a break is "\r\n", "\r" or "\n"), each marked when it
// belongs to a section named `section` (ASCII letters folded), as the engine parses headers.
std::vector<Line> SplitLines(const std::vector<unsigned>& units, std::string_view section) {
    while (!section.empty() && IsBlankUnit(static_cast<unsigned char>(section.front()))) section.remove_prefix(1);
    while (!section.empty() && IsBlankUnit(static_cast<unsigned char>(section.back()))) section.remove_suffix(1);
    std::vector<Line> lines;
    bool inTarget = false;
    for (std::size_t i = 0; i < units.size();) {
        Line line;
        while (i < units.size() && units[i] != '\r' && units[i] != '\n') line.content.push_back(units[i++]);
        if (i < units.size()) {
            bool crlf = units[i] == '\r' && i + 1 < units.size() && units[i + 1] == '\n';
            line.lineBreak.assign(units.begin() + i, units.begin() + i + (crlf ? 2 : 1));
            i += crlf ? 2 : 1;
        }
        std::size_t first = 0, last = line.content.size();
        while (first < last && IsBlankUnit(line.content[first])) ++first;
        while (last > first && IsBlankUnit(line.content[last - 1])) --last;
        std::size_t close = last;
        for (std::size_t j = first; j < last; ++j)
            if (line.content[j] == ']') close = j;
        if (first < last && line.content[first] == '[' && close < last) {
            std::size_t begin = first + 1, end = close;
            while (begin < end && IsBlankUnit(line.content[begin])) ++begin;
            while (end > begin && IsBlankUnit(line.content[end - 1])) --end;
            for (std::size_t j = begin; j < end; ++j)
                if (line.content[j] == 0) end = j;
            bool same = end - begin == section.size();
            for (std::size_t j = 0; same && j < section.size(); ++j)
                same = Folded(line.content[begin + j]) == Folded(static_cast<unsigned char>(section[j]));
            inTarget = same;
        }
        line.inTarget = inTarget;
        lines.push_back(std::move(line));
    }
    return lines;
}

bool IsAscii(const std::string& text) {
    for (char c : text)
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    return true;
}

// Every line outside the written section's copies is still there, in order, with its line
// break (the file's last line may gain one when lines are added after it); the mark stays.
void CheckUntouchedLines(const std::string& before, const std::string& section, const char* path) {
    if (!IsAscii(section)) return;  // its match in a UTF-8 or UTF-16 file needs conversion
    Units old = ToUnits(before), now = ToUnits(Slurp(path));
    Check(old.mark == now.mark);
    std::vector<Line> oldLines = SplitLines(old.units, section);
    std::vector<Line> newLines = SplitLines(now.units, section);
    std::size_t next = 0;
    for (std::size_t i = 0; i < oldLines.size(); ++i) {
        const Line& line = oldLines[i];
        if (line.inTarget) continue;
        bool last = i + 1 == oldLines.size();
        while (next < newLines.size() &&
               !(newLines[next].content == line.content &&
                 (newLines[next].lineBreak == line.lineBreak || (last && line.lineBreak.empty()))))
            ++next;
        Check(next < newLines.size());
        ++next;
    }
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
    std::string before = Slurp(path);
    int ok = platform::StoreProfileString(section.c_str(), form == 1 ? nullptr : key.c_str(),
                                          form == 2 ? nullptr : value.c_str(), path);
    CheckUntouchedLines(before, section.c_str(), path);
    if (form != 0 || !ok || !IsPlain(section) || !IsPlain(key) || !IsPlain(value)) return;
    char buffer[64];
    platform::ReadProfileString(section.c_str(), key.c_str(), "<none>", buffer, sizeof buffer, path);
    Check(value == buffer);
}

void WriteSection(FuzzedDataProvider& input, const char* path) {
    std::string section = Text(input);
    std::string lines = input.ConsumeRandomLengthString(64);
    lines.append(2, '\0');
    std::string before = Slurp(path);
    platform::StoreProfileSection(section.c_str(), input.ConsumeBool() ? lines.c_str() : nullptr,
                                  path);
    CheckUntouchedLines(before, section.c_str(), path);
}

// The file as given, behind a UTF-8 mark, or each byte widened to a UTF-16 unit.
std::string Encoded(const std::string& file, int form) {
    if (form == 1) return "\xEF\xBB\xBF" + file;
    if (form < 2) return file;
    std::string wide = form == 2 ? "\xFF\xFE" : "\xFE\xFF";
    for (char c : file) {
        wide.push_back(form == 2 ? c : '\0');
        wide.push_back(form == 2 ? '\0' : c);
    }
    return wide;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    const char* path = FilePath().c_str();
    std::string file = input.ConsumeRandomLengthString(2048);
    file = Encoded(file, input.ConsumeIntegralInRange<int>(0, 3));
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
