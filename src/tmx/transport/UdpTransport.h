#pragma once

#include "tmx/EndpointConfig.h"
#include "tmx/transport/ITransport.h"

#include <juce_core/juce_core.h>

#include <memory>

struct sockaddr_in;

namespace tmx::transport
{

/** What the three UDP transports share: the socket's life cycle and the receive loop on their own thread.
    Subclasses open the socket their way (bind, joins) and undo it when it closes. */
class UdpTransport : public ITransport, private juce::Thread
{
public:
    ~UdpTransport() override;

    /** False when already started, or when the socket cannot be opened the subclass's way or its thread
        cannot start (then the transport is left closed). */
    bool start() override;
    void stop() override;
    /** One write to host:port. */
    bool send(const juce::String& host, int port, const void* data, size_t size) override;
    juce::String getStartFailure() const override;

    /** The largest datagram read; longer ones arrive cut to this size. */
    static constexpr int maxDatagramSize = 2048;
    /** How long the loop waits for a datagram before it looks at the exit request again. */
    static constexpr int waitMilliseconds = 100;
    /** Receive buffer asked for each socket. */
    static constexpr int receiveBufferSize = 4 * 1024 * 1024;
    /** How long stop waits for the receive thread. */
    static constexpr int stopTimeoutMilliseconds = 1000;

    /** The local port the socket is bound to, -1 while closed. */
    int getBoundPort() const;

protected:
    UdpTransport(const juce::String& threadName, const EndpointConfig& endpoint);

    /** Binds and sets up a freshly made socket; false (through fail) leaves it open until stop. */
    virtual bool openSocket(juce::DatagramSocket& socket) = 0;
    /** Undoes what openSocket set up, after the receive thread has ended. */
    virtual void closeSocket(juce::DatagramSocket& socket) {}

    /** Notes why the start fails and returns false. */
    bool fail(const juce::String& reason);
    /** The same, with the system's text for the error the last call left in errno. */
    bool failWithSystemError(const juce::String& reason);
    /** Binds the endpoint's port, or fails saying why. */
    bool bindEndpointPort(juce::DatagramSocket& socket);

    /** host:port as a socket address; false unless host is a dotted-decimal IPv4 address. */
    static bool destinationOf(const juce::String& host, int port, sockaddr_in& destination);
    /** One datagram on the open socket; true when it was sent. */
    bool writeTo(const sockaddr_in& destination, const void* data, size_t size);

    // Made before the thread starts and deleted after it ended, so the thread never sees it change.
    std::unique_ptr<juce::DatagramSocket> socket;
    EndpointConfig endpoint;

private:
    void run() override;

    juce::String startFailure;
};

} // namespace tmx::transport
