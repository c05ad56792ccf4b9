#include "tmx/transport/MdnsTransport.h"

#include "tmx/transport/MulticastSocket.h"

namespace tmx::transport
{

MdnsTransport::MdnsTransport(const EndpointConfig& endpointToUse)
    : UdpTransport("TmxMdns", endpointToUse)
{
}

MdnsTransport::~MdnsTransport()
{
    stop();
}

bool MdnsTransport::openSocket(juce::DatagramSocket& newSocket)
{
    // The well-known port may be taken by the system's own responder; any port still lets us listen to the group.
    if (! newSocket.bindToPort(endpoint.port) && ! newSocket.bindToPort(0))
        return failWithSystemError("cannot bind port " + juce::String(endpoint.port) + " or any other");

    // The socket is bound to all addresses, so the join names no interface and takes the best-route one.
    MulticastSocket::joinMulticast(newSocket, endpoint.address, {});
    return true;
}

void MdnsTransport::closeSocket(juce::DatagramSocket& openSocket)
{
    MulticastSocket::leaveMulticast(openSocket, endpoint.address, {});
}

} // namespace tmx::transport
