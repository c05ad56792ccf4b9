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

    /** Whether the test holds for any IPv4 address of the system's list. */
    template <typename Test>
    bool anyIpv4Entry(Test&& test)
    {
        ifaddrs* list = nullptr;
        if (::getifaddrs(&list) != 0)
            return false;

        bool found = false;
        for (auto* entry = list; entry != nullptr && ! found; entry = entry->ifa_next)
            found = isIpv4(entry->ifa_addr) && test(*entry);

        ::freeifaddrs(list);
        return found;
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
    return anyIpv4Entry([address](const ifaddrs& entry)
    {
        const uint32_t own = addressOf(entry.ifa_addr);
        // An address added without "brd" has no broadcast address of its own, but its subnet still has one.
        if (isIpv4(entry.ifa_netmask))
        {
            const uint32_t hostBits = ~ntohl(addressOf(entry.ifa_netmask));
            // /31 and /32 have no broadcast address: the highest address is a host there.
            if (hostBits > 1 && address == htonl(ntohl(own) | hostBits))
                return true;
        }
        // Without one the system reports the address itself in its place: that is no broadcast address.
        return (entry.ifa_flags & IFF_BROADCAST) != 0 && isIpv4(entry.ifa_broadaddr)
               && addressOf(entry.ifa_broadaddr) != own && address == addressOf(entry.ifa_broadaddr);
    });
}

bool LocalInterfaces::isLocalAddress(uint32_t address)
{
    return anyIpv4Entry([address](const ifaddrs& entry) { return addressOf(entry.ifa_addr) == address; });
}

} // namespace tmx::transport
