// The TV host unloads glyphbox without On_Exit while the worker is inside a query: no code
// of an unloaded library may run when the worker comes back.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <thread>

#include "hosts/common/display_plugin_host.h"
#include "hosts/tv_host/tuner_plugin_host.h"
#include "platform/tv_window.h"
#include "status_block/shared_block_mapping.h"

namespace {

// The host stays alive for the rest of the process: the worker keeps polling it after the
// library is gone from the host's point of view.
struct SlowHost {
    std::atomic<int> answered{0};
    std::atomic<bool> inQuery{false};
    std::chrono::steady_clock::time_point until;
    platform::TvWindow* window = nullptr;

    static void Query(void* context, std::uint32_t, void*) {
        auto* host = static_cast<SlowHost*>(context);
        host->inQuery = true;
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        ++host->answered;
        host->inQuery = false;
    }
    static void Menu(void*, int) {}
    static bool Tick(void* context) { return std::chrono::steady_clock::now() < static_cast<SlowHost*>(context)->until; }

    void Pump(int ms) {
        until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        platform::RunTvWindow(window, 1);
    }
};

TEST(TunerUnload, UnloadingDuringAQueryRunsNoUnloadedCode) {
    SharedBlockMapping display(kStatusBlockName);
    static SlowHost host;
    host.window = platform::OpenTvWindow("unload test", nullptr, {&host, SlowHost::Query, SlowHost::Menu, SlowHost::Tick});
    ASSERT_NE(host.window, nullptr);
    {
        TunerPluginHost plugin;
        std::string error;
        ASSERT_TRUE(plugin.Load(PluginBesideExecutable("glyphbox"), &error)) << error;
        plugin.Start(platform::TvWindowHandle(host.window));
        plugin.ChannelChange();
        // On Linux the worker is now inside the host's answer; on Windows its query waits
        // for this thread. Either way the library is released under it.
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    host.Pump(1500);
    // The worker came back from its query into the plug-in and went on polling.
    EXPECT_GE(host.answered.load(), 2);
    EXPECT_EQ(display.View()->blockSize, 2316u);
}

}  // namespace
