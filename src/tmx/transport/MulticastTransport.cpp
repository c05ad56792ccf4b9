#include "tmx/transport/MulticastTransport.h"

#include "tmx/transport/MulticastSocket.h"

#include <netinet/in.h>

namespace tmx::transport
{

MulticastTransport::MulticastTransport(const EndpointConfig& endpointToUse)
    : UdpTransport("TmxMulticast", endpointToUse)
{
}

MulticastTransport::~MulticastTransport()
{
    stop();
}

juce::StringArray MulticastTransport::usableLocalAddresses()
{
    juce::StringArray addresses;
    for (const auto& address : juce::IPAddress::getAllAddresses(false))
        if (! address.isNull() && address != juce::IPAddress::local())
            addresses.add(address.toString());
    return addresses;
}

bool MulticastTransport::openSocket(juce::DatagramSocket& newSocket)
{
    if (! bindEndpointPort(newSocket))
        return false;

    const auto addresses = usableLocalAddresses();
    if (addresses.isEmpty())
        return fail("no IPv4 interface besides loopback");

    bool joined = false;
    for (const auto& address : addresses)
        joined = MulticastSocket::joinMulticast(newSocket, endpoint.address, address) || joined;
    if (! joined)
        return failWithSystemError("cannot join group " + endpoint.address + " on any interface");

    return MulticastSocket::setMulticastTtl(newSocket, multicastTtl)
           || failWithSystemError("cannot set the multicast time-to-live");
}

void MulticastTransport::closeSocket(juce::DatagramSocket& openSocket)
{
    for (const auto& address : usableLocalAddresses())
        MulticastSocket::leaveMulticast(openSocket, endpoint.address, address);
}

bool MulticastTransport::send(const juce::String& host, int port, const void* data, size_t size)
{
    sockaddr_in destination {};
    if (socket == nullptr || ! destinationOf(host, port, destination))
        return false;

    std::lock_guard<std::mutex> lock(sendMutex);
    bool sent = false;
    for (const auto& address : usableLocalAddresses())
        if (MulticastSocket::setMulticastInterface(*socket, address))
            sent = writeTo(destination, data, size) || sent;
    return sent;
}

} // namespace tmx::transport
