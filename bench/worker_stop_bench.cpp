// How long On_Exit takes with a worker running at the menu's intervals: while the worker
// waits for its next cycle, and while its query is in flight on the host's thread.
#include <benchmark/benchmark.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "platform/tv_window.h"
#include "status_block/status_block.h"
#include "tuner_plugin/entry_points.h"
#include "tuner_plugin/plugin_state.h"
#include "tuner_plugin/polling_worker.h"

namespace {

// A host whose answers take `answerMs`, like a busy TV host's.
struct SlowHost {
    int answerMs = 5;
    int answered = 0;
    int wanted = 0;
    platform::TvWindow* window = nullptr;

    static void Query(void* context, std::uint32_t, void*) {
        auto* host = static_cast<SlowHost*>(context);
        std::this_thread::sleep_for(std::chrono::milliseconds(host->answerMs));
        ++host->answered;
    }
    static void Menu(void*, int) {}
    static bool Tick(void* context) {
        auto* host = static_cast<SlowHost*>(context);
        return host->answered < host->wanted;
    }
};

void OnExit(benchmark::State& state) {
    const int interval = static_cast<int>(state.range(0));
    const bool queryInFlight = state.range(1) != 0;
    glyphbox::AttachProcess(nullptr);
    std::filesystem::create_directories(std::filesystem::path(glyphbox::SettingsPath()).parent_path());
    SlowHost host;
    host.window = platform::OpenTvWindow(
        "bench host", nullptr, {&host, SlowHost::Query, SlowHost::Menu, SlowHost::Tick, nullptr});
    for (auto _ : state) {
        state.PauseTiming();
        glyphbox::Start(platform::TvWindowHandle(host.window), nullptr, nullptr);
        glyphbox::CurrentSettings().refreshInterval = interval;
        glyphbox::Event();
        if (queryInFlight) {
            // Time for the worker to send its first query: on Linux it is then being
            // answered, on Windows it waits for this thread, which the stop must serve.
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        } else {
            // Let the first cycle's two queries be answered; the worker then waits.
            host.wanted = host.answered + 2;
            platform::RunTvWindow(host.window, 1);
        }
        state.ResumeTiming();
        glyphbox::Exit();
    }
    platform::CloseTvWindow(host.window);
    std::filesystem::remove(glyphbox::SettingsPath());
}

BENCHMARK(OnExit)
    ->ArgsProduct({{500, 2000, 10000}, {0, 1}})
    ->ArgNames({"interval", "inFlight"})
    ->Iterations(20)
    ->Unit(benchmark::kMillisecond);

}  // namespace
