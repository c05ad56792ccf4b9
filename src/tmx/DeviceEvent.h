#pragma once

#include "tmx/DeviceInfo.h"

#include <juce_core/juce_core.h>

#include <cstdint>

namespace tmx
{

/** What the engine reports, and what a protocol's parse produces. */
struct DeviceEvent
{
    enum Code : uint32_t
    {
        added = 0,
        updated = 1,
        removed = 2
    };

    uint32_t event = added;
    juce::String senderAddress;  // empty in a removal
    int32_t senderPort = 0;      // 0 in a removal
    DeviceInfo info;
};

} // namespace tmx
