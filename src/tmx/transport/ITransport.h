#pragma once

#include <juce_core/juce_core.h>

#include <cstddef>
#include <functional>

namespace tmx::transport
{

/** A UDP socket with its own receive thread. */
class ITransport
{
public:
    virtual ~ITransport() = default;

    /** Opens the socket and starts the receive thread. */
    virtual bool start() = 0;
    /** Stops the receive thread and closes the socket. */
    virtual void stop() = 0;
    /** Sends one datagram to a dotted-decimal IPv4 address; any other host is refused, never looked up. */
    virtual bool send(const juce::String& host, int port, const void* data, size_t size) = 0;

    /** Why the last start failed, in a few words; empty after a successful start. */
    virtual juce::String getStartFailure() const { return {}; }

    /** Called on the receive thread for every datagram of at least one byte; the buffer is reused afterwards. */
    std::function<void(const void* data, size_t size, const juce::String& senderAddress, int senderPort)> onPacket;

    /** Called on the receive thread after it delivered what was waiting and before it waits again, so the
        receiver can pass on a burst's results at once instead of one by one. A transport calls it at least
        once after every onPacket. */
    std::function<void()> onIdle;
};

} // namespace tmx::transport
