#pragma once

#include <juce_core/juce_core.h>

#include <cstdint>

namespace tmx
{

/** One discovery endpoint. A channel is made for it when any flag byte is non-zero. */
struct EndpointConfig
{
    juce::String address;       // group or broadcast address; the channel sends to it
    int32_t port = 0;           // local receive port; sends go to port + 1
    uint8_t enabled = 0;        // devices expire only when set on some endpoint
    uint8_t allowCommands = 0;  // commands may be sent through the channel
    uint8_t announce = 0;       // multicast only: announce our own record every tick
    uint8_t query = 0;          // broadcast only: query every second tick

    bool anyFlagSet() const noexcept { return (enabled | allowCommands | announce | query) != 0; }
};

} // namespace tmx
