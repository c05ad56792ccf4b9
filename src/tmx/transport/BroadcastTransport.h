#pragma once

#include "tmx/transport/UdpTransport.h"

namespace tmx::transport
{

/** The broadcast channel: a port-reusing socket for the limited broadcast query and its unicast replies. */
class BroadcastTransport : public UdpTransport
{
public:
    explicit BroadcastTransport(const EndpointConfig& endpoint);
    ~BroadcastTransport() override;

private:
    bool openSocket(juce::DatagramSocket& socket) override;
};

} // namespace tmx::transport
