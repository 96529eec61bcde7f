// Loads the tuner plug-in and calls its entry points as the TV host does.
#pragma once

#include <cstdint>
#include <string>

#include "platform/host_window.h"

class TunerPluginHost {
public:
    TunerPluginHost() = default;
    ~TunerPluginHost();
    TunerPluginHost(const TunerPluginHost&) = delete;
    TunerPluginHost& operator=(const TunerPluginHost&) = delete;

    // Loads the library and finds its entry points; false with `error` naming what is missing.
    bool Load(const std::string& path, std::string* error);
    void* Library() const { return library_; }

    void Start(platform::HostWindow window) const;
    void Exit() const;
    void MenuSelect(int commandId) const;
    void ChannelChange() const;
    void RecPlay() const;
    std::string Name() const;

private:
    void* library_ = nullptr;
    void* start_ = nullptr;
    void* exit_ = nullptr;
    void* menuSelect_ = nullptr;
    void* channelChange_ = nullptr;
    void* recPlay_ = nullptr;
    void* sendName_ = nullptr;
};
