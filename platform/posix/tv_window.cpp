// On Linux the host window is a set of callbacks; the plug-in's queries are answered on
// the thread that asks, and menu choices are delivered on the host's own thread.
#include "platform/tv_window.h"

#include <time.h>

#include <map>
#include <mutex>
#include <new>

#include "platform/posix/host_window_callbacks.h"

namespace platform {

struct TvWindow {
    TvWindowEvents events;
    HostWindowCallbacks callbacks;
    std::mutex mutex;
    std::map<int, bool> checks;
    std::map<int, std::string> texts{{40061, "Enabled"}, {40062, "Signal read-out"},
                                     {40063, "Refresh: 2000 ms"}};
};

namespace {

TvWindow& Of(void* context) { return *static_cast<TvWindow*>(context); }

void Query(void* context, std::uint32_t command, void* record) {
    Of(context).events.query(Of(context).events.context, command, record);
}

void CheckMenuItem(void* context, int commandId, int checked) {
    std::lock_guard<std::mutex> lock(Of(context).mutex);
    Of(context).checks[commandId] = checked != 0;
}

void SetMenuItemText(void* context, int commandId, const char* text) {
    std::lock_guard<std::mutex> lock(Of(context).mutex);
    Of(context).texts[commandId] = text ? text : "";
}

int ShowAbout(void* context, const char* title, const char* version, const char* credit,
              const char* const* links) {
    std::string text =
        std::string("\n[About ") + title + "]\n  " + version + "\n  " + credit + "\n";
    for (int i = 0; i < 3; ++i)
        text += std::string("  ") + links[2 * i] + " -> " + links[2 * i + 1] + "\n";
    if (Of(context).events.show) Of(context).events.show(Of(context).events.context, text.c_str());
    return 1;
}

}  // namespace

TvWindow* OpenTvWindow(const char*, void*, const TvWindowEvents& events) {
    auto* window = new (std::nothrow) TvWindow;
    if (!window) return nullptr;
    window->events = events;
    window->callbacks = {window, Query, CheckMenuItem, SetMenuItemText, ShowAbout};
    return window;
}

HostWindow TvWindowHandle(TvWindow* window) { return window ? &window->callbacks : nullptr; }

void RunTvWindow(TvWindow* window, int tickMs) {
    const timespec pause{tickMs / 1000, (tickMs % 1000) * 1000000L};
    while (window->events.tick(window->events.context)) nanosleep(&pause, nullptr);
}

void ChooseTvMenuItem(TvWindow* window, int commandId) {
    window->events.menuChosen(window->events.context, commandId);
}

bool TvMenuItemChecked(TvWindow* window, int commandId) {
    std::lock_guard<std::mutex> lock(window->mutex);
    return window->checks[commandId];
}

std::string TvMenuItemText(TvWindow* window, int commandId) {
    std::lock_guard<std::mutex> lock(window->mutex);
    return window->texts[commandId];
}

void CloseTvWindow(TvWindow* window) { delete window; }

}  // namespace platform
