#pragma once

#include "tmx/EndpointConfig.h"

namespace tmx
{

/** The fixed endpoint table the program configures the engine with. */
struct DiscoveryEndpoints
{
    EndpointConfig multicast;  // 239.12.34.0, receive 1235, send 1236
    EndpointConfig broadcast;  // 255.255.255.255, receive 45454, send 45455, queried
    EndpointConfig mdns;       // 224.0.0.251:5353, switched off

    static DiscoveryEndpoints standard();
};

} // namespace tmx
