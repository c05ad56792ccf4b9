#include "tmx/transport/LocalInterfaces.h"

#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>

#include <set>
#include <string>

namespace tmx::transport
{

namespace
{
    uint32_t addressOf(const sockaddr* address)
    {
        return reinterpret_cast<const sockaddr_in*>(address)->sin_addr.s_addr;
    }

    bool isIpv4(const sockaddr* address)
    {
        return address != nullptr && address->sa_family == AF_INET;
    }
}

std::vector<LocalInterfaces::BroadcastLink> LocalInterfaces::broadcastLinks()
{
    std::vector<BroadcastLink> found;
    ifaddrs* list = nullptr;
    if (::getifaddrs(&list) != 0)
        return found;

    std::set<unsigned> seen;
    for (auto* entry = list; entry != nullptr; entry = entry->ifa_next)
    {
        const auto flags = entry->ifa_flags;
        if (! isIpv4(entry->ifa_addr) || (flags & IFF_UP) == 0 || (flags & IFF_LOOPBACK) != 0
            || (flags & IFF_BROADCAST) == 0)
            continue;

        // An address with a label ("eth0:1") belongs to the interface before the colon.
        std::string name(entry->ifa_name);
        name = name.substr(0, name.find(':'));
        const auto index = ::if_nametoindex(name.c_str());
        if (index != 0 && seen.insert(index).second)
            found.push_back({ index, addressOf(entry->ifa_addr) });
    }

    ::freeifaddrs(list);
    return found;
}

bool LocalInterfaces::isSubnetBroadcast(uint32_t address)
{
    ifaddrs* list = nullptr;
    if (::getifaddrs(&list) != 0)
        return false;

    bool found = false;
    for (auto* entry = list; entry != nullptr && ! found; entry = entry->ifa_next)
    {
        if (! isIpv4(entry->ifa_addr))
            continue;

        // An address added without "brd" has no broadcast address of its own, but its subnet still has one.
        if (isIpv4(entry->ifa_netmask))
        {
            const uint32_t hostBits = ~ntohl(addressOf(entry->ifa_netmask));
            // /31 and /32 have no broadcast address: the highest address is a host there.
            if (hostBits > 1)
                found = address == htonl(ntohl(addressOf(entry->ifa_addr)) | hostBits);
        }
        if ((entry->ifa_flags & IFF_BROADCAST) != 0 && isIpv4(entry->ifa_broadaddr))
            found = found || address == addressOf(entry->ifa_broadaddr);
    }

    ::freeifaddrs(list);
    return found;
}

} // namespace tmx::transport
