#include "tmx/DiscoveryEndpoints.h"

namespace tmx
{

DiscoveryEndpoints DiscoveryEndpoints::standard()
{
    DiscoveryEndpoints e;
    e.multicast = { "239.12.34.0", 1235, 1, 1, 0, 0 };
    e.broadcast = { "255.255.255.255", 45454, 1, 1, 0, 1 };
    e.mdns = { "224.0.0.251", 5353, 0, 0, 0, 0 };
    return e;
}

} // namespace tmx
