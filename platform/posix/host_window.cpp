#include "platform/host_window.h"

#include "platform/posix/host_window_callbacks.h"

namespace platform {
namespace {

const HostWindowCallbacks* Callbacks(HostWindow window) {
    return static_cast<const HostWindowCallbacks*>(window);
}

}  // namespace

void SendHostQuery(HostWindow window, std::uint32_t command, void* record) {
    if (window && Callbacks(window)->query) Callbacks(window)->query(Callbacks(window)->context, command, record);
}

void CheckHostMenuItem(HostWindow window, int commandId, bool checked) {
    if (window && Callbacks(window)->checkMenuItem)
        Callbacks(window)->checkMenuItem(Callbacks(window)->context, commandId, checked ? 1 : 0);
}

void SetHostMenuItemText(HostWindow window, int commandId, const char* text) {
    if (window && Callbacks(window)->setMenuItemText)
        Callbacks(window)->setMenuItemText(Callbacks(window)->context, commandId, text);
}

int ShowAboutBox(void*, HostWindow owner, const AboutBox& box) {
    if (!owner || !Callbacks(owner)->showAbout) return 0;
    const char* links[6];
    for (int i = 0; i < 3; ++i) {
        links[2 * i] = box.links[i].text;
        links[2 * i + 1] = box.links[i].target;
    }
    return Callbacks(owner)->showAbout(Callbacks(owner)->context, box.title, box.version, box.credit, links);
}

}  // namespace platform
