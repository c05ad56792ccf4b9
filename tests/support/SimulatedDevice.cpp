#include "SimulatedDevice.h"

#include "MessageLoopWait.h"
#include "WireTexts.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <net/if.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <future>

namespace
{
sockaddr_in socketAddress(const juce::String& host, int port)
{
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    ::inet_pton(AF_INET, host.toRawUTF8(), &address.sin_addr);
    return address;
}

int boundSocket(int port)
{
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    const int on = 1;
    for (int option : { IP_RECVTTL, IP_PKTINFO })
        ::setsockopt(fd, IPPROTO_IP, option, &on, sizeof(on));
    ::setsockopt(fd, SOL_SOCKET, SO_BROADCAST, &on, sizeof(on));
    const auto address = socketAddress("0.0.0.0", port);
    return ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) == 0 ? fd : -1;
}
} // namespace

SimulatedDevice::SimulatedDevice(NetNamespace& nsToUse, juce::StringArray ownAddresses)
    : ns(nsToUse), addresses(std::move(ownAddresses))
{
    std::promise<bool> ready;
    thread = std::thread([this, &ready]
    {
        bool ok = ns.enter();
        if (ok)
        {
            wakeFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
            sendSocket = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
            commandSocket = boundSocket(jsonCommandPort);
            veskSocket = boundSocket(veskPort);
            const int ttl = 5, on = 1;
            ::setsockopt(sendSocket, IPPROTO_IP, IP_MULTICAST_TTL, &ttl, sizeof(ttl));
            ::setsockopt(sendSocket, SOL_SOCKET, SO_BROADCAST, &on, sizeof(on));
            ok = wakeFd >= 0 && sendSocket >= 0 && commandSocket >= 0 && veskSocket >= 0;
            // Commands for the group arrive on every interface the device has.
            for (const auto& address : addresses)
            {
                ip_mreq request {};
                ::inet_pton(AF_INET, wire::group, &request.imr_multiaddr);
                ::inet_pton(AF_INET, address.toRawUTF8(), &request.imr_interface);
                ok = ok && ::setsockopt(commandSocket, IPPROTO_IP, IP_ADD_MEMBERSHIP, &request, sizeof(request)) == 0;
            }
        }
        ready.set_value(ok);
        if (ok)
            run();
    });
    if (! ready.get_future().get())
        ADD_FAILURE() << "the simulated device could not open its sockets";
}

SimulatedDevice::~SimulatedDevice()
{
    shouldExit = true;
    const uint64_t one = 1;
    [[maybe_unused]] auto n = ::write(wakeFd, &one, sizeof(one));
    thread.join();
    for (int fd : { sendSocket, commandSocket, veskSocket, wakeFd })
        if (fd >= 0)
            ::close(fd);
}

void SimulatedDevice::run()
{
    while (! shouldExit)
    {
        // Due announcements and delayed replies first, then wait for datagrams until the next is due.
        std::string text;
        std::vector<juce::String> repliesDue;
        std::vector<uint8_t> replyBytes;
        double next = nowMs() + 50;
        {
            std::lock_guard<std::mutex> guard(lock);
            const double now = nowMs();
            if (periodMs > 0 && now >= nextAnnouncementMs)
            {
                text = announcement;
                nextAnnouncementMs = now + periodMs;
            }
            if (periodMs > 0)
                next = std::min(next, nextAnnouncementMs);
            for (auto it = pendingReplies.begin(); it != pendingReplies.end();)
            {
                if (it->first <= now)
                {
                    repliesDue.push_back(it->second);
                    it = pendingReplies.erase(it);
                }
                else
                {
                    next = std::min(next, it++->first);
                }
            }
            replyBytes = reply;
        }
        if (! text.empty())
            announce(text);
        for (const auto& to : repliesDue)
        {
            const auto destination = socketAddress(to, wire::veskReplyPort);
            ::sendto(veskSocket, replyBytes.data(), replyBytes.size(), 0,
                     reinterpret_cast<const sockaddr*>(&destination), sizeof(destination));
            std::lock_guard<std::mutex> guard(lock);
            lastReply = nowMs();
        }

        pollfd fds[3] = { { commandSocket, POLLIN, 0 }, { veskSocket, POLLIN, 0 }, { wakeFd, POLLIN, 0 } };
        if (::poll(fds, 3, std::max(0, static_cast<int>(next - nowMs()))) <= 0)
            continue;
        if (fds[0].revents & POLLIN)
            receive(commandSocket, jsonCommandPort);
        if (fds[1].revents & POLLIN)
            receive(veskSocket, veskPort);
        uint64_t counter = 0;
        [[maybe_unused]] auto n = ::read(wakeFd, &counter, sizeof(counter));
    }
}

void SimulatedDevice::receive(int socket, int port)
{
    uint8_t buffer[4096];
    alignas(cmsghdr) char control[256];
    sockaddr_in sender {};
    iovec vector { buffer, sizeof(buffer) };
    msghdr message {};
    message.msg_name = &sender;
    message.msg_iov = &vector;
    message.msg_iovlen = 1;
    message.msg_control = control;

    for (;;)
    {
        message.msg_namelen = sizeof(sender);
        message.msg_controllen = sizeof(control);
        const auto size = ::recvmsg(socket, &message, 0);
        if (size < 0)
            return;

        Datagram d;
        d.port = port;
        d.bytes.assign(buffer, buffer + size);
        char text[INET_ADDRSTRLEN] {};
        d.sender = ::inet_ntop(AF_INET, &sender.sin_addr, text, sizeof(text));
        d.senderPort = ntohs(sender.sin_port);
        d.ms = nowMs();
        for (auto* h = CMSG_FIRSTHDR(&message); h != nullptr; h = CMSG_NXTHDR(&message, h))
        {
            if (h->cmsg_level == IPPROTO_IP && h->cmsg_type == IP_TTL)
                std::memcpy(&d.ttl, CMSG_DATA(h), sizeof(int));
            if (h->cmsg_level == IPPROTO_IP && h->cmsg_type == IP_PKTINFO)
            {
                in_pktinfo info {};
                std::memcpy(&info, CMSG_DATA(h), sizeof(info));
                d.interfaceIndex = info.ipi_ifindex;
                d.destination = ::inet_ntop(AF_INET, &info.ipi_addr, text, sizeof(text));
            }
        }

        std::lock_guard<std::mutex> guard(lock);
        if (port == veskPort && d.bytes == wire::query() && ! reply.empty())
            pendingReplies.emplace_back(d.ms + replyDelayMs, d.sender);
        log.push_back(std::move(d));
    }
}

bool SimulatedDevice::sendFrom(const juce::String& via, const juce::String& host, int port, const void* data,
                               size_t size)
{
    in_addr out {};
    ::inet_pton(AF_INET, (via.isEmpty() ? addresses[0] : via).toRawUTF8(), &out);
    const auto destination = socketAddress(host, port);
    std::lock_guard<std::mutex> guard(lock);  // the outgoing interface belongs to this one send
    return ::setsockopt(sendSocket, IPPROTO_IP, IP_MULTICAST_IF, &out, sizeof(out)) == 0
           && ::sendto(sendSocket, data, size, 0, reinterpret_cast<const sockaddr*>(&destination), sizeof(destination))
                  == static_cast<ssize_t>(size);
}

bool SimulatedDevice::announce(const std::string& text, const juce::String& via)
{
    if (! sendFrom(via, wire::group, wire::announcePort, text.data(), text.size()))
        return false;
    std::lock_guard<std::mutex> guard(lock);
    lastAnnouncement = nowMs();
    return true;
}

void SimulatedDevice::announceEvery(int period, const std::string& text)
{
    std::lock_guard<std::mutex> guard(lock);
    announcement = text;
    periodMs = text.empty() ? 0 : period;
    nextAnnouncementMs = 0;
}

double SimulatedDevice::lastAnnouncementMs() const
{
    std::lock_guard<std::mutex> guard(lock);
    return lastAnnouncement;
}

void SimulatedDevice::answerQueries(std::vector<uint8_t> bytes, int delayMs)
{
    std::lock_guard<std::mutex> guard(lock);
    reply = std::move(bytes);
    replyDelayMs = delayMs;
    if (reply.empty())
        pendingReplies.clear();
}

double SimulatedDevice::lastReplyMs() const
{
    std::lock_guard<std::mutex> guard(lock);
    return lastReply;
}

bool SimulatedDevice::sendRaw(const juce::String& host, int port, const std::string& bytes, const juce::String& via)
{
    return sendFrom(via, host, port, bytes.data(), bytes.size());
}

std::vector<SimulatedDevice::Datagram> SimulatedDevice::select(int port, bool queries) const
{
    const auto query = wire::query();
    std::lock_guard<std::mutex> guard(lock);
    std::vector<Datagram> result;
    std::copy_if(log.begin(), log.end(), std::back_inserter(result),
                 [&](const Datagram& d) { return d.port == port && (d.bytes == query) == queries; });
    return result;
}

std::vector<SimulatedDevice::Datagram> SimulatedDevice::received(int port) const { return select(port, false); }

std::vector<SimulatedDevice::Datagram> SimulatedDevice::queries() const { return select(veskPort, true); }

void SimulatedDevice::clear()
{
    std::lock_guard<std::mutex> guard(lock);
    log.clear();
}

int SimulatedDevice::interfaceIndexOf(const juce::String& ownAddress) const
{
    // The device's own interfaces are named after the link (bdrN), one address family each.
    juce::ChildProcess ip;
    ip.start(juce::StringArray { "nsenter", "--net=" + ns.path(), "ip", "-o", "-4", "addr", "show" });
    for (const auto& line : juce::StringArray::fromLines(ip.readAllProcessOutput()))
        if (line.contains(" " + ownAddress + "/"))
            return line.upToFirstOccurrenceOf(":", false, false).trim().getIntValue();
    return 0;
}
