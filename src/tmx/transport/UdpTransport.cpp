#include "tmx/transport/UdpTransport.h"

#include <sys/socket.h>

namespace tmx::transport
{

UdpTransport::UdpTransport(const juce::String& threadName, const EndpointConfig& endpointToUse)
    : juce::Thread(threadName), endpoint(endpointToUse)
{
}

UdpTransport::~UdpTransport()
{
    // Subclasses stop in their own destructors, while their closeSocket still exists; this catches the rest.
    stop();
}

bool UdpTransport::start()
{
    if (socket != nullptr)
        return false;

    socket = std::make_unique<juce::DatagramSocket>(true);

    // Room for bursts (a thousand devices announcing at once) while the receive thread waits for a CPU; the
    // system caps the size at its own limit, and a refusal only leaves the default.
    const int receiveBufferBytes = receiveBufferSize;
    ::setsockopt(socket->getRawSocketHandle(), SOL_SOCKET, SO_RCVBUF, &receiveBufferBytes, sizeof(receiveBufferBytes));

    if (! openSocket(*socket))
        return false;

    startThread();
    return true;
}

void UdpTransport::stop()
{
    if (socket == nullptr)
        return;

    signalThreadShouldExit();
    stopThread(stopTimeoutMilliseconds);
    closeSocket(*socket);
    socket->shutdown();
    socket.reset();
}

bool UdpTransport::send(const juce::String& host, int port, const void* data, size_t size)
{
    if (socket == nullptr)
        return false;
    return socket->write(host, port, data, static_cast<int>(size)) > 0;
}

int UdpTransport::getBoundPort() const
{
    return socket != nullptr ? socket->getBoundPort() : -1;
}

void UdpTransport::run()
{
    juce::String senderAddress;
    int senderPort = 0;
    char buffer[maxDatagramSize];

    while (! threadShouldExit())
    {
        // A pending socket error (an ICMP answer to an earlier send) ends the wait too; the read then finds nothing.
        if (socket->waitUntilReady(true, waitMilliseconds) == 0)
            continue;

        // Everything already queued is read before waiting again: under load one wait serves a whole burst.
        // An empty datagram reads like an empty queue and just sends us back to the wait.
        bool delivered = false;
        while (! threadShouldExit())
        {
            const int bytesRead = socket->read(buffer, maxDatagramSize, false, senderAddress, senderPort);
            if (bytesRead < 1)
                break;

            if (threadShouldExit() || ! onPacket)
                continue;

            onPacket(buffer, static_cast<size_t>(bytesRead), senderAddress, senderPort);
            delivered = true;
        }

        if (delivered && onIdle)
            onIdle();
    }
}

} // namespace tmx::transport
