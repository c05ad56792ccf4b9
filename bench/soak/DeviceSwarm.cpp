#include "DeviceSwarm.h"

#include "support/SimulatedDevice.h"
#include "support/WireTexts.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <future>

namespace
{
sockaddr_in endpoint(const juce::String& host, int port)
{
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    ::inet_pton(AF_INET, host.toRawUTF8(), &address.sin_addr);
    return address;
}

std::string macOf(int device, int family)
{
    char text[18];
    std::snprintf(text, sizeof(text), "02:5%d:00:00:%02X:%02X", family, (device >> 8) & 0xff, device & 0xff);
    return text;
}
} // namespace

DeviceSwarm::DeviceSwarm(NetNamespace& hostToUse, Settings s) : host(hostToUse), settings(std::move(s))
{
    const int total = deviceCount();
    lastSent.assign(static_cast<size_t>(total), 0.0);

    // Every device's message is made once; the devices only differ in names, MACs and addresses.
    for (int i = 0; i < settings.jsonDevices; ++i)
    {
        const auto ip = "10.77." + std::to_string(i / 250) + "." + std::to_string(i % 250 + 1);
        std::vector<std::string> networks { wire::jsonNet(ip, macOf(i, 0), i % 2 == 0, "255.255.0.0", "10.77.0.1",
                                                          "10.77.0.1") };
        if (i % 4 == 0)
            networks.push_back(wire::jsonNet("0.0.0.0", macOf(i, 1), false, ""));
        const std::string tarn = i % 5 != 0 ? ""
                                 : std::string("\"tarn\":{\"workspaceUUID\":\"w\",\"isHost\":")
                                       + (i % 10 == 0 ? "true" : "false") + "}";
        jsonTexts.push_back(wire::deviceInfo("Soak " + std::to_string(i), ip, networks, tarn));
    }
    for (int i = 0; i < settings.veskDevices; ++i)
    {
        wire::Vesk device;
        device.name = "Vesk " + std::to_string(i);
        device.mac = { 0x02, 0x5B, 0x00, 0x00, static_cast<uint8_t>(i >> 8), static_cast<uint8_t>(i & 0xff) };
        device.ip = device.host = "10.78." + std::to_string(i / 250) + "." + std::to_string(i % 250 + 1);
        device.formB = i % 2 == 1;
        veskReplies.push_back(wire::veskReply(device));
    }

    std::promise<bool> ready;
    auto started = ready.get_future();
    thread = std::thread([this, &ready]
    {
        bool ok = host.enter();
        announceSocket = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        veskSocket = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
        const int on = 1, ttl = 5;
        ::setsockopt(veskSocket, SOL_SOCKET, SO_REUSEADDR, &on, sizeof(on));
        ::setsockopt(announceSocket, SOL_SOCKET, SO_BROADCAST, &on, sizeof(on));
        ::setsockopt(announceSocket, IPPROTO_IP, IP_MULTICAST_TTL, &ttl, sizeof(ttl));
        in_addr via {};
        ::inet_pton(AF_INET, settings.ownAddress.toRawUTF8(), &via);
        ::setsockopt(announceSocket, IPPROTO_IP, IP_MULTICAST_IF, &via, sizeof(via));
        // A big send buffer: a query is answered by hundreds of devices at once.
        const int buffer = 4 << 20;
        ::setsockopt(announceSocket, SOL_SOCKET, SO_SNDBUF, &buffer, sizeof(buffer));
        const auto any = endpoint("0.0.0.0", SimulatedDevice::veskPort);
        ok = ok && announceSocket >= 0 && veskSocket >= 0
             && ::bind(veskSocket, reinterpret_cast<const sockaddr*>(&any), sizeof(any)) == 0;
        ready.set_value(ok);
        if (ok)
            run();
    });
    running = started.get();
}

DeviceSwarm::~DeviceSwarm()
{
    shouldExit = true;
    if (thread.joinable())
        thread.join();
    for (int fd : { announceSocket, veskSocket })
        if (fd >= 0)
            ::close(fd);
}

void DeviceSwarm::setMode(Mode m)
{
    mode = static_cast<int>(m);
}

bool DeviceSwarm::isSilent(int device, double now) const
{
    switch (static_cast<Mode>(mode.load()))
    {
        case Mode::allAlive: return false;
        case Mode::allSilent: return true;
        case Mode::churn: break;
    }
    const int step = static_cast<int>((now - startMs) / settings.churnStepMs);
    const int group = device % 10;
    const int phase = ((step - group) % 10 + 10) % 10;
    return phase == 0 || phase == 1;  // two groups silent at a time, each for two steps
}

int DeviceSwarm::heardSince(double sinceMs) const
{
    std::lock_guard<std::mutex> guard(lock);
    int count = 0;
    for (const auto t : lastSent)
        if (t >= sinceMs)
            ++count;
    return count;
}

void DeviceSwarm::sendGarbage(juce::Random& random)
{
    static const std::string nearMisses[] = {
        "{\"api\":\"TMXv1\",\"msg\":\"deviceInfo\",\"name\":\"cut",
        "{\"api\":\"tmx\",\"msg\":\"deviceInfo\"}",
        "{\"api\":\"TMX 1.2\",\"msg\":\"action\",\"params\":5}",
        "{\"api\":\"TMXv1\",\"msg\":\"deviceinfo\",\"port\":\"80\",\"networks\":[1,\"x\",{\"mac\":\"zz\"}]}",
        "[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[",
        "",
    };
    std::vector<uint8_t> bytes;
    const int kind = random.nextInt(4);
    if (kind == 0)
    {
        const auto& text = nearMisses[static_cast<size_t>(random.nextInt(6))];
        bytes.assign(text.begin(), text.end());
    }
    else if (kind == 1)
    {
        // A broadcast reply with one header byte wrong, or cut short.
        bytes = veskReplies[static_cast<size_t>(random.nextInt(static_cast<int>(veskReplies.size())))];
        if (random.nextBool())
            bytes[static_cast<size_t>(random.nextInt(20))] ^= 0x5a;
        else
            bytes.resize(static_cast<size_t>(random.nextInt(214)));
    }
    else
    {
        bytes.resize(static_cast<size_t>(1 + random.nextInt(2047)));
        for (auto& b : bytes)
            b = static_cast<uint8_t>(random.nextInt(256));
    }
    if (bytes.empty())
        bytes.push_back(0);

    const auto to = random.nextBool() ? endpoint(wire::group, wire::announcePort)
                                      : endpoint(settings.programAddress, wire::veskReplyPort);
    if (::sendto(announceSocket, bytes.data(), bytes.size(), 0, reinterpret_cast<const sockaddr*>(&to), sizeof(to)) > 0)
        ++garbage;
}

void DeviceSwarm::run()
{
    juce::Random random(42);
    startMs = juce::Time::getMillisecondCounterHiRes();
    const auto group = endpoint(wire::group, wire::announcePort);
    std::vector<double> nextAnnouncement(static_cast<size_t>(settings.jsonDevices));
    for (int i = 0; i < settings.jsonDevices; ++i)
        nextAnnouncement[static_cast<size_t>(i)] = startMs + (i % 100) * 10.0;  // spread over the second
    double nextGarbage = startMs;

    while (!shouldExit)
    {
        const double now = juce::Time::getMillisecondCounterHiRes();
        for (int i = 0; i < settings.jsonDevices; ++i)
        {
            auto& due = nextAnnouncement[static_cast<size_t>(i)];
            if (now < due)
                continue;
            due += 1000.0;
            if (due < now)
                due = now + 1000.0;
            if (isSilent(i, now))
                continue;
            const auto& text = jsonTexts[static_cast<size_t>(i)];
            if (::sendto(announceSocket, text.data(), text.size(), 0, reinterpret_cast<const sockaddr*>(&group),
                         sizeof(group)) > 0)
            {
                ++sent;
                std::lock_guard<std::mutex> guard(lock);
                lastSent[static_cast<size_t>(i)] = now;
            }
        }

        for (; nextGarbage <= now; nextGarbage += 1000.0 / std::max(1, settings.garbagePerSecond))
            sendGarbage(random);

        // Queries: every alive VESK device answers to the querier's port 45454.
        pollfd fd { veskSocket, POLLIN, 0 };
        if (::poll(&fd, 1, 5) > 0)
        {
            uint8_t buffer[2048];
            sockaddr_in from {};
            socklen_t fromSize = sizeof(from);
            const auto query = wire::query();
            for (;;)
            {
                const auto size = ::recvfrom(veskSocket, buffer, sizeof(buffer), 0, reinterpret_cast<sockaddr*>(&from),
                                             &fromSize);
                if (size < 0)
                    break;
                if (static_cast<size_t>(size) != query.size() || !std::equal(query.begin(), query.end(), buffer))
                    continue;
                auto to = from;
                to.sin_port = htons(wire::veskReplyPort);
                const double t = juce::Time::getMillisecondCounterHiRes();
                for (int v = 0; v < settings.veskDevices; ++v)
                {
                    const int device = settings.jsonDevices + v;
                    if (isSilent(device, t))
                        continue;
                    const auto& reply = veskReplies[static_cast<size_t>(v)];
                    if (::sendto(announceSocket, reply.data(), reply.size(), 0, reinterpret_cast<const sockaddr*>(&to),
                                 sizeof(to)) > 0)
                    {
                        ++sent;
                        std::lock_guard<std::mutex> guard(lock);
                        lastSent[static_cast<size_t>(device)] = t;
                    }
                }
            }
        }
    }
}
