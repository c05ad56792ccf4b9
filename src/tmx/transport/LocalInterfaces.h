#pragma once

#include <cstdint>
#include <vector>

namespace tmx::transport
{

/** This machine's IPv4 interfaces as the system reports them at the moment of the call: links come and go
    while the program runs, so nothing is kept. */
class LocalInterfaces
{
public:
    struct BroadcastLink
    {
        unsigned index = 0;
        uint32_t address = 0;  // the interface's first IPv4 address, network order
    };

    /** Every interface that is up and can broadcast, loopback aside, once each. Point-to-point links
        (tunnels, VPNs) cannot, and are left out. */
    static std::vector<BroadcastLink> broadcastLinks();

    /** Whether the address (network order) is the broadcast address of the subnet of any local address,
        whether or not the system was given one for it. */
    static bool isSubnetBroadcast(uint32_t address);

    /** Whether the address (network order) is assigned to any interface of this machine, up or down. */
    static bool isLocalAddress(uint32_t address);
};

} // namespace tmx::transport
