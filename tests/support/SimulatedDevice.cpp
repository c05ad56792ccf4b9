#include "SimulatedDevice.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

namespace
{
    void appendJsonString(std::string& out, const std::string& text)
    {
        out += '"';
        for (const unsigned char c : text)
        {
            switch (c)
            {
                case '"': out += "\\\""; break;
                case '\\': out += "\\\\"; break;
                case '\n': out += "\\n"; break;
                case '\r': out += "\\r"; break;
                case '\t': out += "\\t"; break;
                default:
                    if (c < 0x20)
                    {
                        char escaped[8];
                        std::snprintf(escaped, sizeof(escaped), "\\u%04x", c);
                        out += escaped;
                    }
                    else
                    {
                        out += static_cast<char>(c);
                    }
            }
        }
        out += '"';
    }

    void member(std::string& out, const char* key, const std::string& value)
    {
        appendJsonString(out, key);
        out += ':';
        appendJsonString(out, value);
        out += ',';
    }

    void member(std::string& out, const char* key, bool value)
    {
        appendJsonString(out, key);
        out += value ? ":true," : ":false,";
    }

    void member(std::string& out, const char* key, int value)
    {
        appendJsonString(out, key);
        out += ':' + std::to_string(value) + ',';
    }

    void closeObject(std::string& out)
    {
        if (! out.empty() && out.back() == ',')
            out.back() = '}';
        else
            out += '}';
    }

    void putText(std::vector<uint8_t>& frame, size_t offset, size_t size, const std::string& text)
    {
        std::memcpy(frame.data() + offset, text.data(), std::min(size, text.size()));
    }

    void putAddress(std::vector<uint8_t>& frame, size_t offset, const std::string& text)
    {
        in_addr address {};
        ::inet_pton(AF_INET, text.c_str(), &address);
        std::memcpy(frame.data() + offset, &address, 4);  // network order: first part first
    }

    sockaddr_in makeAddress(const juce::String& host, int port)
    {
        sockaddr_in address {};
        address.sin_family = AF_INET;
        address.sin_port = htons(static_cast<uint16_t>(port));
        ::inet_pton(AF_INET, host.toRawUTF8(), &address.sin_addr);
        return address;
    }

    int openBoundSocket(int port)
    {
        const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
        if (fd < 0)
            return -1;
        const int on = 1;
        ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof(on));
        ::setsockopt(fd, SOL_SOCKET, SO_BROADCAST, &on, sizeof(on));
        ::setsockopt(fd, IPPROTO_IP, IP_RECVTTL, &on, sizeof(on));
        ::setsockopt(fd, IPPROTO_IP, IP_PKTINFO, &on, sizeof(on));
        const auto address = makeAddress("0.0.0.0", port);
        if (::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0)
        {
            ::close(fd);
            return -1;
        }
        return fd;
    }
}

//==============================================================================
std::string SimulatedDevice::JsonIdentity::toJson() const
{
    std::string out = "{";
    member(out, "api", api);
    member(out, "msg", std::string("deviceInfo"));
    member(out, "name", name);
    member(out, "model", model);
    member(out, "fw", fw);
    member(out, "ip", ip);
    member(out, "port", port);
    member(out, "web", web);
    member(out, "finder", finder);
    member(out, "finderStatus", finderStatus);

    out += "\"networks\":[";
    for (size_t i = 0; i < networks.size(); ++i)
    {
        const auto& network = networks[i];
        std::string element = "{";
        member(element, "name", network.name);
        member(element, "ip", network.ip);
        member(element, "mac", network.mac);
        member(element, "dhcp", network.dhcp);
        member(element, "mask", network.mask);
        member(element, "gw", network.gw);
        member(element, "dns1", network.dns1);
        member(element, "dns2", network.dns2);
        closeObject(element);
        out += element;
        if (i + 1 < networks.size())
            out += ',';
    }
    out += "],";

    if (tarn)
    {
        std::string inner = "{";
        member(inner, "workspaceUUID", workspaceUUID);
        member(inner, "isHost", isHost);
        closeObject(inner);
        out += "\"tarn\":" + inner + ',';
    }
    closeObject(out);
    return out;
}

std::vector<uint8_t> SimulatedDevice::VeskIdentity::toReply(const std::string& ownAddress) const
{
    std::vector<uint8_t> frame(219, 0);

    // Outer header, then the inner header of a reply; both forms carry the inner length 209.
    const uint8_t formA[20] = { 0x03, 0xD9, 0x94, 0x01, 0x01, 0xD1, 0x00, 0x01, 0x00, 0x00,
                                0x55, 0x00, 0x01, 0x03, 0x0A, 0x00, 0x00, 0x00, 0x00, 0x00 };
    std::memcpy(frame.data(), formA, sizeof(formA));
    if (formB)
    {
        frame[2] = 0x28;
        frame[3] = 0x03;
        frame[13] = 0x20;
    }

    putText(frame, 20, 32, model);
    putText(frame, 52, 32, name);
    std::memcpy(frame.data() + 136, mac.data(), 6);
    frame[142] = mode;
    putAddress(frame, 143, ip.empty() ? ownAddress : ip);
    putAddress(frame, 147, mask);
    putAddress(frame, 151, gw);
    putText(frame, 164, 32, host);
    putText(frame, 196, 16, fw);
    frame[213] = finder ? 1 : 0;

    frame[216] = 0x00;
    frame[217] = 0xD1;
    unsigned sum = 0;
    for (size_t i = 10; i < 218; ++i)
        sum += frame[i];
    frame[218] = static_cast<uint8_t>(sum & 0xFF);
    return frame;
}

std::string SimulatedDevice::VeskIdentity::macText() const
{
    char text[18];
    std::snprintf(text, sizeof(text), "%02X:%02X:%02X:%02X:%02X:%02X", mac[0], mac[1], mac[2], mac[3], mac[4],
                  mac[5]);
    return text;
}

std::vector<uint8_t> SimulatedDevice::queryFrame()
{
    return { 0x03, 0xD9, 0x00, 0x00, 0x01, 0x0D, 0x00, 0x01, 0x00, 0x00, 0x55, 0x00,
             0x08, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x0D, 0x6A };
}

//==============================================================================
SimulatedDevice::SimulatedDevice(NetNamespace& nsToUse, juce::StringArray ownAddresses)
    : ns(nsToUse), addresses(std::move(ownAddresses))
{
    JsonIdentity identity;
    identity.ip = addresses[0].toStdString();
    identity.web = identity.ip + ":80";
    identity.networks.push_back({ "eth0", identity.ip, "02:00:00:00:00:01" });
    deviceInfoText = identity.toJson();

    std::promise<bool> ready;
    auto started = ready.get_future();
    thread = std::thread([this, &ready] { run(ready); });
    running = started.get();
}

SimulatedDevice::~SimulatedDevice()
{
    shouldExit = true;
    wake();
    if (thread.joinable())
        thread.join();
    // Closed only after the join: wake() may still be writing to it while the thread winds down.
    if (wakeFd >= 0)
        ::close(wakeFd);
    wakeFd = -1;
}

void SimulatedDevice::run(std::promise<bool>& ready)
{
    if (! ns.enter() || ! openSockets())
    {
        closeSockets();
        ready.set_value(false);
        return;
    }
    ready.set_value(true);

    while (! shouldExit)
    {
        int timeoutMs = 50;
        bool due = false;
        juce::String via;
        {
            std::lock_guard<std::mutex> guard(lock);
            if (announcing)
            {
                const double now = juce::Time::getMillisecondCounterHiRes();
                if (now >= nextAnnouncementMs)
                {
                    due = true;
                    via = announceVia;
                    nextAnnouncementMs = now + announcePeriodMs;
                }
                timeoutMs = std::clamp(static_cast<int>(nextAnnouncementMs - now), 0, 50);
            }
        }
        if (due)
            sendAnnouncement(via);

        pollfd fds[3] = { { commandSocket, POLLIN, 0 }, { veskSocket, POLLIN, 0 }, { wakeFd, POLLIN, 0 } };
        if (::poll(fds, 3, timeoutMs) <= 0)
            continue;

        if (fds[0].revents & POLLIN)
            receiveFrom(commandSocket, jsonCommandPort);
        if (fds[1].revents & POLLIN)
            receiveFrom(veskSocket, veskPort);
        if (fds[2].revents & POLLIN)
        {
            uint64_t counter = 0;
            [[maybe_unused]] auto n = ::read(wakeFd, &counter, sizeof(counter));
        }
    }

    closeSockets();
}

bool SimulatedDevice::openSockets()
{
    ifaddrs* list = nullptr;
    if (::getifaddrs(&list) == 0)
    {
        for (auto* entry = list; entry != nullptr; entry = entry->ifa_next)
        {
            if (entry->ifa_addr == nullptr || entry->ifa_addr->sa_family != AF_INET)
                continue;
            char text[INET_ADDRSTRLEN] {};
            ::inet_ntop(AF_INET, &reinterpret_cast<sockaddr_in*>(entry->ifa_addr)->sin_addr, text, sizeof(text));
            interfaceIndexes[juce::String(text)] = static_cast<int>(::if_nametoindex(entry->ifa_name));
        }
        ::freeifaddrs(list);
    }

    wakeFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    announceSocket = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    commandSocket = openBoundSocket(jsonCommandPort);
    veskSocket = openBoundSocket(veskPort);
    if (wakeFd < 0 || announceSocket < 0 || commandSocket < 0 || veskSocket < 0)
        return false;

    const int ttl = 5;
    const int on = 1;
    ::setsockopt(announceSocket, IPPROTO_IP, IP_MULTICAST_TTL, &ttl, sizeof(ttl));
    ::setsockopt(announceSocket, SOL_SOCKET, SO_BROADCAST, &on, sizeof(on));

    // Commands for the group arrive on every interface the device has.
    for (const auto& address : addresses)
    {
        ip_mreq request {};
        ::inet_pton(AF_INET, group, &request.imr_multiaddr);
        ::inet_pton(AF_INET, address.toRawUTF8(), &request.imr_interface);
        if (::setsockopt(commandSocket, IPPROTO_IP, IP_ADD_MEMBERSHIP, &request, sizeof(request)) != 0)
            return false;
    }
    return true;
}

void SimulatedDevice::closeSockets()
{
    for (int* fd : { &announceSocket, &commandSocket, &veskSocket })
    {
        if (*fd >= 0)
            ::close(*fd);
        *fd = -1;
    }
}

void SimulatedDevice::wake()
{
    if (wakeFd >= 0)
    {
        const uint64_t one = 1;
        [[maybe_unused]] auto n = ::write(wakeFd, &one, sizeof(one));
    }
}

void SimulatedDevice::receiveFrom(int socket, int localPort)
{
    for (;;)
    {
        uint8_t buffer[4096];
        sockaddr_in sender {};
        alignas(cmsghdr) char control[256];
        iovec vector { buffer, sizeof(buffer) };
        msghdr message {};
        message.msg_name = &sender;
        message.msg_namelen = sizeof(sender);
        message.msg_iov = &vector;
        message.msg_iovlen = 1;
        message.msg_control = control;
        message.msg_controllen = sizeof(control);

        const auto size = ::recvmsg(socket, &message, 0);
        if (size < 0)
            return;

        Datagram datagram;
        datagram.localPort = localPort;
        datagram.bytes.assign(buffer, buffer + size);
        char text[INET_ADDRSTRLEN] {};
        ::inet_ntop(AF_INET, &sender.sin_addr, text, sizeof(text));
        datagram.senderAddress = text;
        datagram.senderPort = ntohs(sender.sin_port);
        datagram.receivedMs = juce::Time::getMillisecondCounterHiRes();

        for (auto* header = CMSG_FIRSTHDR(&message); header != nullptr; header = CMSG_NXTHDR(&message, header))
        {
            if (header->cmsg_level != IPPROTO_IP)
                continue;
            if (header->cmsg_type == IP_TTL)
            {
                std::memcpy(&datagram.ttl, CMSG_DATA(header), sizeof(int));
            }
            else if (header->cmsg_type == IP_PKTINFO)
            {
                in_pktinfo info {};
                std::memcpy(&info, CMSG_DATA(header), sizeof(info));
                datagram.interfaceIndex = info.ipi_ifindex;
                ::inet_ntop(AF_INET, &info.ipi_addr, text, sizeof(text));
                datagram.destination = text;
            }
        }

        const bool isQuery = localPort == veskPort && datagram.bytes == queryFrame();
        std::vector<uint8_t> reply;
        {
            std::lock_guard<std::mutex> guard(lock);
            if (isQuery && answering)
            {
                reply = vesk.toReply(addresses[0].toStdString());
            }
            log.push_back(std::move(datagram));
        }

        if (! reply.empty())
        {
            auto destination = sender;
            destination.sin_port = htons(veskReplyPort);
            ::sendto(veskSocket, reply.data(), reply.size(), 0, reinterpret_cast<const sockaddr*>(&destination),
                     sizeof(destination));
        }
    }
}

bool SimulatedDevice::selectOutgoing(const juce::String& via)
{
    in_addr address {};
    ::inet_pton(AF_INET, (via.isEmpty() ? addresses[0] : via).toRawUTF8(), &address);
    return ::setsockopt(announceSocket, IPPROTO_IP, IP_MULTICAST_IF, &address, sizeof(address)) == 0;
}

bool SimulatedDevice::sendAnnouncement(const juce::String& via)
{
    std::lock_guard<std::mutex> guard(lock);
    if (announceSocket < 0 || ! selectOutgoing(via))
        return false;

    const auto destination = makeAddress(group, announcePort);
    const auto sent = ::sendto(announceSocket, deviceInfoText.data(), deviceInfoText.size(), 0,
                               reinterpret_cast<const sockaddr*>(&destination), sizeof(destination));
    if (sent <= 0)
        return false;

    ++sentCount;
    lastSentMs = juce::Time::getMillisecondCounterHiRes();
    return true;
}

void SimulatedDevice::setIdentity(const JsonIdentity& identity)
{
    std::lock_guard<std::mutex> guard(lock);
    deviceInfoText = identity.toJson();
}

void SimulatedDevice::setRawDeviceInfo(const std::string& text)
{
    std::lock_guard<std::mutex> guard(lock);
    deviceInfoText = text;
}

void SimulatedDevice::startAnnouncing(int periodMs, const juce::String& via)
{
    {
        std::lock_guard<std::mutex> guard(lock);
        announcing = true;
        announcePeriodMs = periodMs;
        announceVia = via;
        nextAnnouncementMs = 0;
    }
    wake();
}

void SimulatedDevice::stopAnnouncing()
{
    std::lock_guard<std::mutex> guard(lock);
    announcing = false;
}

bool SimulatedDevice::announceOnce(const juce::String& via)
{
    return sendAnnouncement(via);
}

int SimulatedDevice::announcementsSent() const
{
    std::lock_guard<std::mutex> guard(lock);
    return sentCount;
}

double SimulatedDevice::lastAnnouncementMs() const
{
    std::lock_guard<std::mutex> guard(lock);
    return lastSentMs;
}

void SimulatedDevice::answerQueries(const VeskIdentity& identity)
{
    std::lock_guard<std::mutex> guard(lock);
    vesk = identity;
    answering = true;
}

void SimulatedDevice::stopAnswering()
{
    std::lock_guard<std::mutex> guard(lock);
    answering = false;
}

bool SimulatedDevice::sendRaw(const juce::String& host, int port, const void* data, size_t size,
                              const juce::String& via)
{
    std::lock_guard<std::mutex> guard(lock);
    if (announceSocket < 0 || ! selectOutgoing(via))
        return false;
    const auto destination = makeAddress(host, port);
    return ::sendto(announceSocket, data, size, 0, reinterpret_cast<const sockaddr*>(&destination),
                    sizeof(destination))
           == static_cast<ssize_t>(size);
}

std::vector<SimulatedDevice::Datagram> SimulatedDevice::received() const
{
    std::lock_guard<std::mutex> guard(lock);
    return log;
}

std::vector<SimulatedDevice::Datagram> SimulatedDevice::receivedOn(int port) const
{
    std::lock_guard<std::mutex> guard(lock);
    std::vector<Datagram> result;
    for (const auto& datagram : log)
        if (datagram.localPort == port)
            result.push_back(datagram);
    return result;
}

size_t SimulatedDevice::countOn(int port) const
{
    std::lock_guard<std::mutex> guard(lock);
    return static_cast<size_t>(std::count_if(log.begin(), log.end(),
                                             [port](const Datagram& d) { return d.localPort == port; }));
}

std::vector<SimulatedDevice::Datagram> SimulatedDevice::queries() const
{
    const auto query = queryFrame();
    std::vector<Datagram> result;
    for (auto& datagram : receivedOn(veskPort))
        if (datagram.bytes == query)
            result.push_back(std::move(datagram));
    return result;
}

void SimulatedDevice::clearReceived()
{
    std::lock_guard<std::mutex> guard(lock);
    log.clear();
}

int SimulatedDevice::interfaceIndexOf(const juce::String& ownAddress) const
{
    std::lock_guard<std::mutex> guard(lock);
    const auto found = interfaceIndexes.find(ownAddress);
    return found != interfaceIndexes.end() ? found->second : 0;
}
