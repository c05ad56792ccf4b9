#pragma once

#include "tmx/transport/UdpTransport.h"

#include <mutex>

namespace tmx::transport
{

/** The multicast channel: joins the group on every local interface and sends each datagram through each. */
class MulticastTransport : public UdpTransport
{
public:
    explicit MulticastTransport(const EndpointConfig& endpoint);
    ~MulticastTransport() override;

    /** Once through every usable local interface; true when any of them sent. */
    bool send(const juce::String& host, int port, const void* data, size_t size) override;

    /** Time-to-live of everything sent to the group. */
    static constexpr int multicastTtl = 5;

    /** The machine's IPv4 addresses other than 0.0.0.0 and 127.0.0.1, fetched anew on each call. */
    static juce::StringArray usableLocalAddresses();

private:
    bool openSocket(juce::DatagramSocket& socket) override;
    void closeSocket(juce::DatagramSocket& socket) override;

    std::mutex sendMutex;
};

} // namespace tmx::transport
