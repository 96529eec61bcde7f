// Loads the display plug-in and calls it the way the display host does.
#pragma once

#include <string>

class DisplayPluginHost {
public:
    DisplayPluginHost() = default;
    ~DisplayPluginHost();
    DisplayPluginHost(const DisplayPluginHost&) = delete;
    DisplayPluginHost& operator=(const DisplayPluginHost&) = delete;

    // Loads the library and finds its five exports; false, with `error` naming the library
    // or the missing export, otherwise. Does not call GlyphboxInit.
    bool Load(const std::string& path, std::string* error);

    void Init() const;
    int MinRefreshInterval() const;
    // The plug-in's answers; valid until the next call of the same function.
    const char* Text(const char* name, const char* second) const;
    const char* Glyph(const char* name, const char* slot) const;

private:
    void* library_ = nullptr;
    void* init_ = nullptr;
    void* fini_ = nullptr;
    void* minRefresh_ = nullptr;
    void* function1_ = nullptr;
    void* function2_ = nullptr;
};

// Where a tool looks for a plug-in by default: beside its own executable.
std::string PluginBesideExecutable(const char* baseName);
