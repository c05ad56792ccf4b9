#pragma once

#include "tmx/transport/UdpTransport.h"

namespace tmx::transport
{

/** The mDNS channel: the group joined on the socket's bind address, or the best-route interface. */
class MdnsTransport : public UdpTransport
{
public:
    explicit MdnsTransport(const EndpointConfig& endpoint);
    ~MdnsTransport() override;

private:
    bool openSocket(juce::DatagramSocket& socket) override;
    void closeSocket(juce::DatagramSocket& socket) override;
};

} // namespace tmx::transport
