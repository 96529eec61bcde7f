// The TV host unloads glyphbox, after On_Exit or without it while the worker is inside a
// query: no code of an unloaded library may run, and a library whose worker has ended
// really goes away.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <thread>

#include "hosts/common/display_plugin_host.h"
#include "hosts/tv_host/tuner_plugin_host.h"
#include "platform/dynamic_library.h"
#include "platform/tv_window.h"
#include "status_block/shared_block_mapping.h"
#include "status_block/status_block_name.h"
#include "tests/support/product_file.h"

namespace {

// The host stays alive for the rest of the process: the worker keeps polling it after the
// library is gone from the host's point of view.
struct SlowHost {
    std::atomic<int> answered{0};
    std::chrono::steady_clock::time_point until;
    platform::TvWindow* window = nullptr;

    static void Query(void* context, std::uint32_t, void*) {
        auto* host = static_cast<SlowHost*>(context);
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        ++host->answered;
    }
    static void Menu(void*, int) {}
    static bool Tick(void* context) { return std::chrono::steady_clock::now() < static_cast<SlowHost*>(context)->until; }

    void Pump(int ms) {
        until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        platform::RunTvWindow(window, 1);
    }
};

SlowHost& Host() {
    static SlowHost host;
    if (!host.window)
        host.window = platform::OpenTvWindow(
            "unload test", nullptr,
            {&host, SlowHost::Query, SlowHost::Menu, SlowHost::Tick, nullptr});
    return host;
}

// Loads the plug-in, starts its worker and lets the worker get into its first query.
void LoadAndPoll(TunerPluginHost& plugin) {
    std::string error;
    ASSERT_TRUE(plugin.Load(ProductPlugin("glyphbox"), &error)) << error;
    plugin.Start(platform::TvWindowHandle(Host().window));
    plugin.ChannelChange();
    // On Linux the worker is now inside the host's answer; on Windows its query waits for
    // this thread.
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
}

// First, since a library whose worker never ended stays loaded for the rest of the process.
TEST(TunerUnload, AfterOnExitTheLibraryReallyGoesAway) {
    ASSERT_NE(Host().window, nullptr) << "the test host's window could not be created";
    std::string path = ProductPlugin("glyphbox");
    {
        TunerPluginHost plugin;
        LoadAndPoll(plugin);
        plugin.Exit();
        ASSERT_TRUE(platform::DynamicLibraryIsLoaded(path.c_str()));
    }
    // On Windows the worker lets go of its own reference as it ends.
    bool gone = false;
    for (int waited = 0; waited < 5000 && !gone; waited += 10) {
        Host().Pump(10);
        gone = !platform::DynamicLibraryIsLoaded(path.c_str());
    }
    EXPECT_TRUE(gone) << "the library stayed loaded after its worker ended";
}

TEST(TunerUnload, UnloadingDuringAQueryRunsNoUnloadedCode) {
    ASSERT_NE(Host().window, nullptr) << "the test host's window could not be created";
    SharedBlockMapping display(StatusBlockName());
    std::string path = ProductPlugin("glyphbox");
    int answeredBefore = Host().answered.load();
    {
        TunerPluginHost plugin;
        LoadAndPoll(plugin);
    }
    // The worker holds the library: it comes back from its query into loaded code and goes
    // on polling.
    EXPECT_TRUE(platform::DynamicLibraryIsLoaded(path.c_str()));
    Host().Pump(1500);
    EXPECT_GE(Host().answered.load() - answeredBefore, 2);
    EXPECT_EQ(display.View()->blockSize, 2316u);
}

}  // namespace
