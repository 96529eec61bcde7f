#include "tuner_plugin/about_dialog.h"

#include "platform/host_window.h"
#include "project_version.h"
#include "tuner_plugin/about_ids.h"
#include "tuner_plugin/plugin_state.h"

namespace glyphbox {
namespace {

constexpr platform::AboutBox kAbout = {
    "Glyphbox",
    GLYPHBOX_ABOUT_TITLE,
    ABOUT_CREDIT,
    {{ABOUT_AUTHOR_LINK, ABOUT_AUTHOR_TEXT, "https://glyphbox-lcd.example.org/"},
     {ABOUT_DISPLAY_HOST_LINK, ABOUT_DISPLAY_HOST_TEXT, "https://lcd-host.example.org/"},
     {ABOUT_MAIL_LINK, ABOUT_MAIL_TEXT, "mailto:team@glyphbox-lcd.example.org"}},
};

}  // namespace

int ShowAboutDialog() { return platform::ShowAboutBox(ModuleInstance(), HostWindow(), kAbout); }

}  // namespace glyphbox
