#include "tmx/transport/MulticastSocket.h"

#include "tmx/transport/BestRoute.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

namespace tmx::transport
{

namespace
{
    in_addr_t toAddress(const juce::String& text)
    {
        return ::inet_addr(text.toRawUTF8());
    }
}

bool MulticastSocket::isUsable(juce::DatagramSocket& socket)
{
    // The framework reports a bound port only while the socket is open and bound.
    return socket.getRawSocketHandle() >= 0 && socket.getBoundPort() >= 0;
}

bool MulticastSocket::joinMulticast(juce::DatagramSocket& socket, const juce::String& group,
                                    const juce::String& interfaceAddress)
{
    if (! isUsable(socket))
        return false;
    return setMulticastMembership(socket.getRawSocketHandle(), group, interfaceAddress, true);
}

bool MulticastSocket::leaveMulticast(juce::DatagramSocket& socket, const juce::String& group,
                                     const juce::String& interfaceAddress)
{
    if (! isUsable(socket))
        return false;
    return setMulticastMembership(socket.getRawSocketHandle(), group, interfaceAddress, false);
}

bool MulticastSocket::setMulticastInterface(juce::DatagramSocket& socket, const juce::String& address)
{
    if (! isUsable(socket))
        return false;
    in_addr value {};
    value.s_addr = toAddress(address);
    return ::setsockopt(socket.getRawSocketHandle(), IPPROTO_IP, IP_MULTICAST_IF, &value, sizeof(value)) == 0;
}

bool MulticastSocket::setMulticastTtl(juce::DatagramSocket& socket, int ttl)
{
    if (! isUsable(socket))
        return false;
    return ::setsockopt(socket.getRawSocketHandle(), IPPROTO_IP, IP_MULTICAST_TTL, &ttl, sizeof(ttl)) == 0;
}

bool MulticastSocket::setMulticastMembership(int handle, const juce::String& group,
                                             const juce::String& interfaceAddress, bool join)
{
    ip_mreq request {};
    request.imr_multiaddr.s_addr = toAddress(group);
    request.imr_interface.s_addr = htonl(INADDR_ANY);

    if (interfaceAddress.isNotEmpty())
    {
        request.imr_interface.s_addr = toAddress(interfaceAddress);
    }
    else
    {
        // No interface named: the one towards the internet, else let the system choose.
        const auto fallback = BestRoute::interfaceAddress();
        if (fallback.isNotEmpty())
            request.imr_interface.s_addr = toAddress(fallback);
    }

    return ::setsockopt(handle, IPPROTO_IP, join ? IP_ADD_MEMBERSHIP : IP_DROP_MEMBERSHIP, &request,
                        sizeof(request)) == 0;
}

} // namespace tmx::transport
