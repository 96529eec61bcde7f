// ReadInt, WriteInt and ReadSection on settings files of 10, 1,000 and 10,000 keys, and the
// three reads of LoadSettings and a whole-value read with one value of 1, 4 or 8 MB: our
// engine on Linux, the system's profile functions (Wine's) in the Windows build.
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

std::string MiddleKey(int keys) { return "key" + std::to_string(keys / 2); }

void ReadInt(benchmark::State& state) {
    int keys = static_cast<int>(state.range(0));
    std::string path = MakeFile(keys);
    ProfileFile file(path.c_str());
    std::string key = MiddleKey(keys);
    for (auto _ : state) benchmark::DoNotOptimize(file.ReadInt("Options", key.c_str(), 0, 10));
    std::filesystem::remove(path);
}

void WriteInt(benchmark::State& state) {
    int keys = static_cast<int>(state.range(0));
    std::string path = MakeFile(keys);
    ProfileFile file(path.c_str());
    std::string key = MiddleKey(keys);
    int value = 0;
    for (auto _ : state) benchmark::DoNotOptimize(file.WriteInt("Options", key.c_str(), ++value, 10));
    std::filesystem::remove(path);
}

void ReadSection(benchmark::State& state) {
    int keys = static_cast<int>(state.range(0));
    std::string path = MakeFile(keys);
    ProfileFile file(path.c_str());
    std::vector<char> buffer(static_cast<std::size_t>(keys) * 20 + 64);
    for (auto _ : state)
        benchmark::DoNotOptimize(
            file.ReadSection("Options", buffer.data(), static_cast<std::uint32_t>(buffer.size())));
    std::filesystem::remove(path);
}

void LoadSettingsLongValue(benchmark::State& state) {
    std::string path = MakeLongValueFile(static_cast<int>(state.range(0)));
    ProfileFile file(path.c_str());
    for (auto _ : state) {
        benchmark::DoNotOptimize(file.ReadInt("Options", "Enabled", 1, 10));
        benchmark::DoNotOptimize(file.ReadInt("Options", "Refresh", 1000, 10));
        benchmark::DoNotOptimize(file.ReadInt("Options", "Signal", 1, 10));
    }
    std::filesystem::remove(path);
}

void ReadValueLong(benchmark::State& state) {
    std::string path = MakeLongValueFile(static_cast<int>(state.range(0)));
    ProfileFile file(path.c_str());
    for (auto _ : state) benchmark::DoNotOptimize(file.ReadValue("Options", "Enabled", nullptr));
    std::filesystem::remove(path);
}

BENCHMARK(ReadInt)->Arg(10)->Arg(1000)->Arg(10000);
BENCHMARK(WriteInt)->Arg(10)->Arg(1000)->Arg(10000);
BENCHMARK(ReadSection)->Arg(10)->Arg(1000)->Arg(10000);
BENCHMARK(LoadSettingsLongValue)->Arg(1)->Arg(4)->Arg(8)->Unit(benchmark::kMillisecond);
BENCHMARK(ReadValueLong)->Arg(1)->Arg(4)->Arg(8)->Unit(benchmark::kMillisecond);

}  // namespace
