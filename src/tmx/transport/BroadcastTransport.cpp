#include "tmx/transport/BroadcastTransport.h"

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
    return newSocket.bindToPort(endpoint.port);
}

} // namespace tmx::transport
