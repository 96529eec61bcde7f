// The TV host ends its process (exit from main, so ExitProcess on Windows) while another
// of its threads is inside an entry point. Windows ends that thread wherever it is, then
// runs the plug-in's unload step; the process must still end.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "hosts/common/display_plugin_host.h"
#include "hosts/tv_host/tuner_plugin_host.h"
#include "platform/child_process.h"
#include "platform/environment.h"
#include "platform/executable_path.h"
#include "tests/support/temp_folder.h"
#include "tests/support/product_file.h"

namespace {

constexpr char kChildVariable[] = "GLYPHBOX_EXIT_RACE_CHILD";

// The child: one worker runs; a host thread reports changes as fast as it can; the main
// thread ends the process after a few milliseconds.
TEST(TunerExitRace, Child) {
    char delay[16];
    if (!platform::ReadEnvironment(kChildVariable, delay, sizeof delay))
        GTEST_SKIP() << "run by the parent";
    static TunerPluginHost plugin;
    std::string error;
    if (!plugin.Load(ProductPlugin("glyphbox"), &error)) std::_Exit(3);
    plugin.Start(nullptr);
    plugin.ChannelChange();
    std::thread([] {
        for (;;) plugin.ChannelChange();
    }).detach();
    std::this_thread::sleep_for(std::chrono::milliseconds(std::atoi(delay)));
    std::exit(0);
}

TEST(TunerExitRace, TheProcessEndsWhileAnotherThreadIsInAnEntryPoint) {
    // Elsewhere exit leaves the other threads running into the library's destructors.
    if (!UsingWineProfileCalls()) GTEST_SKIP() << "only Windows ends the other threads first";
    char self[1024];
    platform::GetExecutablePath(self, sizeof self);
    const char* arguments[] = {"--gtest_filter=TunerExitRace.Child", nullptr};
    int hung = 0, crashed = 0;
    const int runs = 5;
    for (int run = 0; run < runs; ++run) {
        platform::WriteEnvironment(kChildVariable, std::to_string(5 + run % 20).c_str());
        platform::ChildProcess child = platform::StartChild(self, arguments);
        ASSERT_TRUE(child.running);
        int code = platform::WaitChild(child, 10000);
        std::printf("run %d: exit code %d\n", run, code);
        if (code == -1)
            ++hung;
        else if (code != 0)
            ++crashed;
    }
    platform::WriteEnvironment(kChildVariable, "");
    EXPECT_EQ(hung, 0) << "of " << runs << " processes never ended";
    EXPECT_EQ(crashed, 0) << "of " << runs << " processes ended with an error";
}

}  // namespace
