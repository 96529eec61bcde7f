#include "hosts/tv_host/tuner_plugin_host.h"

#include "platform/dynamic_library.h"

namespace {

using StartCall = int (*)(int, platform::HostWindow, int, int, char*, const char*, std::int32_t*);
using NoArgumentCall = int (*)();
using ValueCall = int (*)(std::uint32_t);
using BufferCall = int (*)(char*);

}  // namespace

TunerPluginHost::~TunerPluginHost() { platform::FreeDynamicLibrary(library_); }

bool TunerPluginHost::Load(const std::string& path, std::string* error) {
    library_ = platform::LoadDynamicLibrary(path.c_str());
    if (!library_) {
        *error = "cannot load the tuner plug-in " + path + ": " + platform::DynamicLibraryError();
        return false;
    }
    struct {
        const char* name;
        void** slot;
    } exports[] = {{"On_Start", &start_},           {"On_Exit", &exit_},
                   {"On_Menu_Select", &menuSelect_}, {"On_Channel_Change", &channelChange_},
                   {"On_Rec_Play", &recPlay_},       {"On_Send_Dll_ID_Name", &sendName_}};
    for (const auto& e : exports) {
        *e.slot = platform::FindExport(library_, e.name);
        if (!*e.slot) {
            *error = path + " does not export " + e.name;
            return false;
        }
    }
    return true;
}

void TunerPluginHost::Start(platform::HostWindow window) const {
    char character = 0;
    std::int32_t integer = 0;
    reinterpret_cast<StartCall>(start_)(0, window, 0, 0, &character, "", &integer);
}

void TunerPluginHost::Exit() const { reinterpret_cast<NoArgumentCall>(exit_)(); }

void TunerPluginHost::MenuSelect(int commandId) const {
    reinterpret_cast<ValueCall>(menuSelect_)(static_cast<std::uint32_t>(commandId));
}

void TunerPluginHost::ChannelChange() const { reinterpret_cast<ValueCall>(channelChange_)(0); }

void TunerPluginHost::RecPlay() const { reinterpret_cast<ValueCall>(recPlay_)(0); }

std::string TunerPluginHost::Name() const {
    char buffer[256] = {};
    reinterpret_cast<BufferCall>(sendName_)(buffer);
    return buffer;
}
