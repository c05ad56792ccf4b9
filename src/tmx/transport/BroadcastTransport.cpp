#include "tmx/transport/BroadcastTransport.h"

#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <cstring>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace tmx::transport
{

namespace
{
    /** Index and first IPv4 address of every interface that is up and not loopback, fetched anew each time. */
    std::vector<std::pair<unsigned, in_addr>> broadcastInterfaces()
    {
        std::vector<std::pair<unsigned, in_addr>> found;
        ifaddrs* list = nullptr;
        if (::getifaddrs(&list) != 0)
            return found;

        std::set<unsigned> seen;
        for (auto* entry = list; entry != nullptr; entry = entry->ifa_next)
        {
            if (entry->ifa_addr == nullptr || entry->ifa_addr->sa_family != AF_INET
                || (entry->ifa_flags & IFF_UP) == 0 || (entry->ifa_flags & IFF_LOOPBACK) != 0)
                continue;

            // An address with a label ("eth0:1") belongs to the interface before the colon.
            std::string name(entry->ifa_name);
            name = name.substr(0, name.find(':'));
            const auto index = ::if_nametoindex(name.c_str());
            if (index != 0 && seen.insert(index).second)
                found.emplace_back(index, reinterpret_cast<const sockaddr_in*>(entry->ifa_addr)->sin_addr);
        }

        ::freeifaddrs(list);
        return found;
    }
}

BroadcastTransport::BroadcastTransport(const EndpointConfig& endpointToUse)
    : UdpTransport("TmxBroadcast", endpointToUse)
{
}

BroadcastTransport::~BroadcastTransport()
{
    stop();
}

bool BroadcastTransport::openSocket(juce::DatagramSocket& newSocket)
{
    newSocket.setEnablePortReuse(true);
    return bindEndpointPort(newSocket);
}

bool BroadcastTransport::send(const juce::String& host, int port, const void* data, size_t size)
{
    sockaddr_in destination {};
    if (socket == nullptr || ! destinationOf(host, port, destination))
        return false;

    if (destination.sin_addr.s_addr != htonl(INADDR_BROADCAST))
        return writeTo(destination, data, size);

    // The system sends a limited broadcast only along a route: with no default route not at all, with one
    // only through that interface. Naming the interface and source address for each write reaches every link.
    bool sent = false;
    for (const auto& [index, address] : broadcastInterfaces())
    {
        iovec payload { const_cast<void*>(data), size };
        alignas(cmsghdr) char control[CMSG_SPACE(sizeof(in_pktinfo))] {};

        msghdr message {};
        message.msg_name = &destination;
        message.msg_namelen = sizeof(destination);
        message.msg_iov = &payload;
        message.msg_iovlen = 1;
        message.msg_control = control;
        message.msg_controllen = sizeof(control);

        in_pktinfo interface {};
        interface.ipi_ifindex = static_cast<int>(index);
        interface.ipi_spec_dst = address;
        auto* header = CMSG_FIRSTHDR(&message);
        header->cmsg_level = IPPROTO_IP;
        header->cmsg_type = IP_PKTINFO;
        header->cmsg_len = CMSG_LEN(sizeof(interface));
        std::memcpy(CMSG_DATA(header), &interface, sizeof(interface));

        // An interface that cannot send does not keep the query from the others.
        sent = ::sendmsg(socket->getRawSocketHandle(), &message, MSG_NOSIGNAL) > 0 || sent;
    }
    return sent;
}

} // namespace tmx::transport
