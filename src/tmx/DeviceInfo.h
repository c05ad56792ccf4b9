#pragma once

#include "tmx/NetworkInfo.h"
#include "tmx/TarnInfo.h"

#include <juce_core/juce_core.h>

#include <array>
#include <cstdint>
#include <string>

namespace tmx
{

/** The engine's record of one device. */
struct DeviceInfo
{
    std::string id;       // key of the engine's device table
    juce::Time expiry;    // the device counts as gone after this moment
    std::string name;
    std::string model;
    std::string fw;
    std::string ip;       // commands of the broadcast family go here
    uint16_t port = 80;
    std::string web;
    bool finder = false;
    bool finderStatus = false;
    uint32_t protocolId = 0;  // 1 mDNS, 2 multicast, 3 broadcast, 0 none
    std::array<NetworkInfo, 2> networks;
    TarnInfo tarn;
};

} // namespace tmx
