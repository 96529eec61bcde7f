#include "hosts/common/display_plugin_host.h"

#include "hosts/common/beside_executable.h"
#include "platform/dynamic_library.h"
#include "plugin_abi.h"

namespace {

using InitCall = void(PLUGIN_STDCALL*)();
using IntervalCall = int(PLUGIN_STDCALL*)();
using FieldCall = const char*(PLUGIN_STDCALL*)(const char*, const char*);

struct Export {
    const char* name;
    int argumentBytes;
    void** slot;
};

}  // namespace

DisplayPluginHost::~DisplayPluginHost() {
    if (fini_) reinterpret_cast<InitCall>(fini_)();
    platform::FreeDynamicLibrary(library_);
}

bool DisplayPluginHost::Load(const std::string& path, std::string* error) {
    library_ = platform::LoadDynamicLibrary(path.c_str());
    if (!library_) {
        *error = "cannot load the display plug-in " + path + ": " + platform::DynamicLibraryError();
        return false;
    }
    const Export exports[] = {
        {"GlyphboxInit", 0, &init_},          {"GlyphboxFini", 0, &fini_},
        {"GetMinRefreshInterval", 0, &minRefresh_}, {"function1", 8, &function1_},
        {"function2", 8, &function2_},
    };
    for (const Export& e : exports) {
        *e.slot = platform::FindPluginExport(library_, e.name, e.argumentBytes);
        if (!*e.slot) {
            *error = path + " does not export " + e.name;
            fini_ = nullptr;
            return false;
        }
    }
    return true;
}

void DisplayPluginHost::Init() const { reinterpret_cast<InitCall>(init_)(); }

int DisplayPluginHost::MinRefreshInterval() const {
    return reinterpret_cast<IntervalCall>(minRefresh_)();
}

const char* DisplayPluginHost::Text(const char* name, const char* second) const {
    return reinterpret_cast<FieldCall>(function1_)(name, second);
}

const char* DisplayPluginHost::Glyph(const char* name, const char* slot) const {
    return reinterpret_cast<FieldCall>(function2_)(name, slot);
}

std::string PluginBesideExecutable(const char* baseName) {
    char fileName[256];
    platform::PluginFileName(baseName, fileName, sizeof fileName);
    return BesideExecutable(fileName);
}
