#include "tmx/transport/UdpTransport.h"

#include "tmx/transport/Ipv4Literal.h"

#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <cerrno>
#include <cstring>

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
        return false;  // already started, or a failed start not yet followed by stop
    startFailure.clear();

    socket = std::make_unique<juce::DatagramSocket>(true);
    if (socket->getRawSocketHandle() < 0)
        return failWithSystemError("cannot open a socket");

    // A program we start (a browser, the installer) must not keep our port open after we quit.
    ::fcntl(socket->getRawSocketHandle(), F_SETFD, FD_CLOEXEC);

    // Room for bursts (a thousand devices announcing at once) while the receive thread waits for a CPU; the
    // system caps the size at its own limit, and a refusal only leaves the default.
    const int receiveBufferBytes = receiveBufferSize;
    ::setsockopt(socket->getRawSocketHandle(), SOL_SOCKET, SO_RCVBUF, &receiveBufferBytes, sizeof(receiveBufferBytes));

    if (! openSocket(*socket))
        return false;

    if (! startThread())
    {
        stop();  // nothing listens on the socket: close it rather than report a channel that hears nothing
        return fail("cannot start the receive thread");
    }
    return true;
}

juce::String UdpTransport::getStartFailure() const
{
    return startFailure;
}

bool UdpTransport::fail(const juce::String& reason)
{
    startFailure = reason;
    return false;
}

bool UdpTransport::failWithSystemError(const juce::String& reason)
{
    const int error = errno;
    return fail(reason + " (" + juce::String(std::strerror(error)) + ")");
}

bool UdpTransport::bindEndpointPort(juce::DatagramSocket& openSocket)
{
    return openSocket.bindToPort(endpoint.port)
           || failWithSystemError("cannot bind port " + juce::String(endpoint.port));
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
    sockaddr_in destination {};
    if (socket == nullptr || ! destinationOf(host, port, destination))
        return false;
    return writeTo(destination, data, size);
}

bool UdpTransport::destinationOf(const juce::String& host, int port, sockaddr_in& destination)
{
    // The framework's write would resolve a name, on the caller's thread and wherever it points; we only parse.
    uint32_t address = 0;
    if (port <= 0 || port > 65535 || ! Ipv4Literal::parse(host.toRawUTF8(), address))
        return false;

    destination = {};
    destination.sin_family = AF_INET;
    destination.sin_port = htons(static_cast<uint16_t>(port));
    destination.sin_addr.s_addr = address;
    return true;
}

bool UdpTransport::writeTo(const sockaddr_in& destination, const void* data, size_t size)
{
    return ::sendto(socket->getRawSocketHandle(), data, size, MSG_NOSIGNAL,
                    reinterpret_cast<const sockaddr*>(&destination), sizeof(destination))
           > 0;
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
