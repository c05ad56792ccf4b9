#include "tmx/transport/MulticastTransport.h"

#include "tmx/transport/MulticastSocket.h"

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
    if (! newSocket.bindToPort(endpoint.port))
        return false;

    bool joined = false;
    for (const auto& address : usableLocalAddresses())
        joined = MulticastSocket::joinMulticast(newSocket, endpoint.address, address) || joined;

    return joined && MulticastSocket::setMulticastTtl(newSocket, multicastTtl);
}

void MulticastTransport::closeSocket(juce::DatagramSocket& openSocket)
{
    for (const auto& address : usableLocalAddresses())
        MulticastSocket::leaveMulticast(openSocket, endpoint.address, address);
}

bool MulticastTransport::send(const juce::String& host, int port, const void* data, size_t size)
{
    if (socket == nullptr)
        return false;

    std::lock_guard<std::mutex> lock(sendMutex);
    bool sent = false;
    for (const auto& address : usableLocalAddresses())
        if (MulticastSocket::setMulticastInterface(*socket, address))
            sent = socket->write(host, port, data, static_cast<int>(size)) > 0 || sent;
    return sent;
}

} // namespace tmx::transport
