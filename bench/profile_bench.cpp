// ReadInt, WriteInt and ReadSection on settings files of 10, 1,000 and 10,000 keys, the
// three reads of LoadSettings and a whole-value read with one value of 1, 4 or 8 MB, and a
// read and a write of the last key of a 32 MiB file of short lines (three shapes): our engine on
// Linux, the system's profile functions (Wine's) in the Windows build.
#include <benchmark/benchmark.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/child_process.h"
#include "profile/profile_file.h"

namespace {

// A file of `keys` keys in section "Options" between two other sections, last written
// a minute ago like a settings file at rest.
std::string MakeFile(int keys) {
    auto path = std::filesystem::temp_directory_path() /
                ("glyphbox-bench-" + std::to_string(platform::CurrentProcessId()) + "-" +
                 std::to_string(keys) + ".ini");
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << "[Before]\r\nx=1\r\n[Options]\r\n";
    for (int i = 0; i < keys; ++i) out << "key" << i << "=" << i << "\r\n";
    out << "[After]\r\ny=2\r\n";
    out.close();
    std::filesystem::last_write_time(
        path, std::filesystem::file_time_type::clock::now() - std::chrono::minutes(1));
    return path.string();
}

// The settings file with "Enabled" holding `megabytes` MB of digits, as a hand edit or a
// broken tool could leave it.
std::string MakeLongValueFile(int megabytes) {
    auto path = std::filesystem::temp_directory_path() /
                ("glyphbox-bench-" + std::to_string(platform::CurrentProcessId()) + "-long-" +
                 std::to_string(megabytes) + ".ini");
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << "[Options]\r\nEnabled=" << std::string(static_cast<std::size_t>(megabytes) << 20, '1')
        << "\r\nRefresh=1000\r\nSignal=1\r\n";
    out.close();
    std::filesystem::last_write_time(
        path, std::filesystem::file_time_type::clock::now() - std::chrono::minutes(1));
    return path.string();
}

// A file of just under `bytes` bytes of short lines: sections "[sN]" of ten keys "kN=N",
// section and key numbers counting on through the file.
std::string MakeShortLinesFile(std::size_t bytes, std::string* lastSection, std::string* lastKey) {
    auto path = std::filesystem::temp_directory_path() /
                ("glyphbox-bench-" + std::to_string(platform::CurrentProcessId()) + "-short.ini");
    std::string text;
    text.reserve(bytes);
    for (long section = 0;; ++section) {
        std::string block = "[s" + std::to_string(section) + "]\r\n";
        for (long key = section * 10; key < section * 10 + 10; ++key)
            block += "k" + std::to_string(key) + "=" + std::to_string(key) + "\r\n";
        if (text.size() + block.size() > bytes) break;
        text += block;
        *lastSection = "s" + std::to_string(section);
        *lastKey = "k" + std::to_string(section * 10 + 9);
    }
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
    return path.string();
}

// The shortest lines of all, "a\n", filling all but a KiB of the size bound: before any
// section, or inside the section the key is in.
std::string MakeLinesOfAFile(bool inSection, std::string* lastSection, std::string* lastKey) {
    auto path = std::filesystem::temp_directory_path() /
                ("glyphbox-bench-" + std::to_string(platform::CurrentProcessId()) + "-a.ini");
    const std::size_t lines = ((32u << 20) - 1024) / 2;
    std::string text = inSection ? "[s]\r\n" : "";
    text.reserve(2 * lines + 16);
    for (std::size_t line = 0; line < lines; ++line) text += "a\n";
    if (inSection) text += "k=1\r\n";
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
    *lastSection = "s";
    *lastKey = "k";
    return path.string();
}

// The file of each shape: 0 short sections, 1 "a" lines before any section, 2 "a" lines in
// the section written.
std::string MakeBigFile(int shape, std::string* section, std::string* key) {
    return shape == 0 ? MakeShortLinesFile(32u << 20, section, key)
                      : MakeLinesOfAFile(shape == 2, section, key);
}

// Gives the file a new time a minute or more ago, so no parse of it kept from before serves.
void MakeUnseen(const std::string& path, int round) {
    std::filesystem::last_write_time(path, std::filesystem::file_time_type::clock::now() -
                                               std::chrono::minutes(1) -
                                               std::chrono::seconds(round));
}

// The file and the writers' lock file the engine keeps beside it.
void RemoveFile(const std::string& path) {
    std::filesystem::remove(path);
    std::filesystem::remove(path + ".lock");
}

std::string MiddleKey(int keys) { return "key" + std::to_string(keys / 2); }

void ReadInt(benchmark::State& state) {
    int keys = static_cast<int>(state.range(0));
    std::string path = MakeFile(keys);
    ProfileFile file(path.c_str());
    std::string key = MiddleKey(keys);
    for (auto _ : state) benchmark::DoNotOptimize(file.ReadInt("Options", key.c_str(), 0, 10));
    RemoveFile(path);
}

void WriteInt(benchmark::State& state) {
    int keys = static_cast<int>(state.range(0));
    std::string path = MakeFile(keys);
    ProfileFile file(path.c_str());
    std::string key = MiddleKey(keys);
    int value = 0;
    for (auto _ : state) benchmark::DoNotOptimize(file.WriteInt("Options", key.c_str(), ++value, 10));
    RemoveFile(path);
}

void ReadSection(benchmark::State& state) {
    int keys = static_cast<int>(state.range(0));
    std::string path = MakeFile(keys);
    ProfileFile file(path.c_str());
    std::vector<char> buffer(static_cast<std::size_t>(keys) * 20 + 64);
    for (auto _ : state)
        benchmark::DoNotOptimize(
            file.ReadSection("Options", buffer.data(), static_cast<std::uint32_t>(buffer.size())));
    RemoveFile(path);
}

void LoadSettingsLongValue(benchmark::State& state) {
    std::string path = MakeLongValueFile(static_cast<int>(state.range(0)));
    ProfileFile file(path.c_str());
    for (auto _ : state) {
        benchmark::DoNotOptimize(file.ReadInt("Options", "Enabled", 1, 10));
        benchmark::DoNotOptimize(file.ReadInt("Options", "Refresh", 1000, 10));
        benchmark::DoNotOptimize(file.ReadInt("Options", "Signal", 1, 10));
    }
    RemoveFile(path);
}

void ReadValueLong(benchmark::State& state) {
    std::string path = MakeLongValueFile(static_cast<int>(state.range(0)));
    ProfileFile file(path.c_str());
    for (auto _ : state) benchmark::DoNotOptimize(file.ReadValue("Options", "Enabled", nullptr));
    RemoveFile(path);
}

// Every read parses the whole file anew, as the first read after a change does.
void ReadBigFile(benchmark::State& state) {
    std::string section, key;
    std::string path = MakeBigFile(static_cast<int>(state.range(0)), &section, &key);
    ProfileFile file(path.c_str());
    int round = 0;
    for (auto _ : state) {
        state.PauseTiming();
        MakeUnseen(path, ++round);
        state.ResumeTiming();
        benchmark::DoNotOptimize(file.ReadInt(section.c_str(), key.c_str(), -1, 10));
    }
    RemoveFile(path);
}

void WriteBigFile(benchmark::State& state) {
    std::string section, key;
    std::string path = MakeBigFile(static_cast<int>(state.range(0)), &section, &key);
    ProfileFile file(path.c_str());
    int value = 0;
    for (auto _ : state)
        if (!file.WriteInt(section.c_str(), key.c_str(), ++value % 2, 10))
            state.SkipWithError("not written");
    RemoveFile(path);
}

BENCHMARK(ReadInt)->Arg(10)->Arg(1000)->Arg(10000);
BENCHMARK(WriteInt)->Arg(10)->Arg(1000)->Arg(10000);
BENCHMARK(ReadSection)->Arg(10)->Arg(1000)->Arg(10000);
BENCHMARK(LoadSettingsLongValue)->Arg(1)->Arg(4)->Arg(8)->Unit(benchmark::kMillisecond);
BENCHMARK(ReadValueLong)->Arg(1)->Arg(4)->Arg(8)->Unit(benchmark::kMillisecond);
BENCHMARK(ReadBigFile)->DenseRange(0, 2)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(WriteBigFile)->DenseRange(0, 2)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace
