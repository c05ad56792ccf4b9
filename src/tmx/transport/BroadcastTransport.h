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

    /** To 255.255.255.255 (the query): once through every local interface that can broadcast, true when any
        of them sent. To any other address: one write. */
    bool send(const juce::String& host, int port, const void* data, size_t size) override;

private:
    bool openSocket(juce::DatagramSocket& socket) override;
};

} // namespace tmx::transport
