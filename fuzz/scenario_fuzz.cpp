// Feeds tvhost's scenario parser arbitrary files; a scenario it accepts must play without
// fault, and every service text must fit its field in the block.
#include <cstring>
#include <string>

#include "hosts/tv_host/scenario.h"
#include "hosts/tv_host/tv_state.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Scenario scenario;
    std::string error;
    if (!ParseScenario(std::string_view(reinterpret_cast<const char*>(data), size), &scenario, &error)) return 0;
    for (const Service& service : scenario.services)
        if (service.name.size() >= 32 || service.provider.size() >= 32 || service.event.size() >= 1024)
            __builtin_trap();
    TvState state(scenario);
    PlayerRecord player{};
    for (const TimedEvent& event : scenario.events) {
        state.Apply(event);
        state.FillPlayer(&player);
        if (std::memchr(player.serviceLabel, '\0', sizeof player.serviceLabel) == nullptr) __builtin_trap();
    }
    return 0;
}
