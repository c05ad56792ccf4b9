#include "tmx/transport/BroadcastTransport.h"

#include "tmx/transport/LocalInterfaces.h"

#include <netinet/in.h>
#include <sys/socket.h>

#include <cstring>

namespace tmx::transport
{

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
    for (const auto& link : LocalInterfaces::broadcastLinks())
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
        interface.ipi_ifindex = static_cast<int>(link.index);
        interface.ipi_spec_dst.s_addr = link.address;
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
