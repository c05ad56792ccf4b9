#include "support/MessageLoopWait.h"
#include "support/NetNamespace.h"
#include "support/SimulatedDevice.h"
#include "support/TestNetwork.h"
#include "tmx/transport/BroadcastTransport.h"
#include "tmx/transport/MdnsTransport.h"
#include "tmx/transport/MulticastTransport.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <mutex>
#include <set>
#include <thread>

using namespace tmx::transport;

namespace
{
    const tmx::EndpointConfig multicastEndpoint { "239.12.34.0", 1235, 1, 1, 0, 0 };
    const tmx::EndpointConfig broadcastEndpoint { "255.255.255.255", 45454, 1, 1, 0, 1 };
    const tmx::EndpointConfig mdnsEndpoint { "224.0.0.251", 5353, 1, 0, 0, 0 };

    /** Keeps what a transport delivers; onPacket runs on the receive thread. */
    struct PacketLog
    {
        struct Packet
        {
            std::string bytes;
            juce::String sender;
            int port = 0;
            bool onCallerThread = false;
        };

        void attach(ITransport& transport)
        {
            transport.onIdle = [this]
            {
                std::lock_guard<std::mutex> guard(lock);
                ++idleCalls;
                idleAfterLastPacket = true;
            };
            transport.onPacket = [this](const void* data, size_t size, const juce::String& sender, int port)
            {
                std::lock_guard<std::mutex> guard(lock);
                packets.push_back({ std::string(static_cast<const char*>(data), size), sender, port,
                                    std::this_thread::get_id() == caller });
                idleAfterLastPacket = false;
            };
        }

        std::vector<Packet> all() const
        {
            std::lock_guard<std::mutex> guard(lock);
            return packets;
        }

        bool idleSinceLastPacket() const
        {
            std::lock_guard<std::mutex> guard(lock);
            return idleAfterLastPacket && idleCalls > 0;
        }

        std::thread::id caller = std::this_thread::get_id();
        mutable std::mutex lock;
        std::vector<Packet> packets;
        int idleCalls = 0;
        bool idleAfterLastPacket = false;
    };
}

TEST(UdpTransport, StartsOnceStopsAndStartsAgain)
{
    TestNetwork network;
    network.addConnectedHost();

    BroadcastTransport transport(broadcastEndpoint);
    EXPECT_EQ(transport.getBoundPort(), -1);
    transport.stop();  // closed: nothing to do

    ASSERT_TRUE(transport.start());
    EXPECT_EQ(transport.getBoundPort(), 45454);
    EXPECT_FALSE(transport.start()) << "a second start without stop";
    EXPECT_EQ(transport.getBoundPort(), 45454);

    transport.stop();
    EXPECT_EQ(transport.getBoundPort(), -1);
    transport.stop();
    EXPECT_FALSE(transport.send("10.231.1.2", 45455, "x", 1)) << "closed transports send nothing";

    ASSERT_TRUE(transport.start());
    EXPECT_EQ(transport.getBoundPort(), 45454);
}

TEST(UdpTransport, DeliversDatagramsOnItsOwnThreadAndNeverEmptyOnes)
{
    TestNetwork network;
    const auto link = network.addConnectedHost();
    SimulatedDevice device(*link.host, { link.remoteAddress });
    ASSERT_TRUE(device.isRunning());

    BroadcastTransport transport(broadcastEndpoint);
    PacketLog log;
    log.attach(transport);
    ASSERT_TRUE(transport.start());

    ASSERT_TRUE(device.sendRaw(link.localAddress, 45454, "", 0));
    ASSERT_TRUE(device.sendRaw(link.localAddress, 45454, "first", 5));
    std::string big(3000, 'b');
    ASSERT_TRUE(device.sendRaw(link.localAddress, 45454, big.data(), big.size()));
    ASSERT_TRUE(device.sendRaw(link.localAddress, 45454, "last", 4));
    ASSERT_TRUE(pumpUntil([&] { return log.all().size() >= 3; }));
    juce::Thread::sleep(100);

    const auto packets = log.all();
    ASSERT_EQ(packets.size(), 3u) << "the empty datagram must not be delivered";
    EXPECT_EQ(packets[0].bytes, "first");
    EXPECT_EQ(packets[0].sender, link.remoteAddress);
    EXPECT_GT(packets[0].port, 0);
    EXPECT_EQ(packets[1].bytes, big.substr(0, 2048)) << "longer datagrams arrive cut to the buffer";
    EXPECT_EQ(packets[2].bytes, "last");
    for (const auto& packet : packets)
        EXPECT_FALSE(packet.onCallerThread);
    // The receiver hears when a burst has been handed over.
    EXPECT_TRUE(log.idleSinceLastPacket());
}

TEST(MulticastTransport, FailsWithoutAnInterfaceBesidesLoopback)
{
    TestNetwork network;  // only loopback
    EXPECT_TRUE(MulticastTransport::usableLocalAddresses().isEmpty());
    MulticastTransport transport(multicastEndpoint);
    EXPECT_FALSE(transport.start());
    transport.stop();  // closes the socket the failed start left open
    EXPECT_EQ(transport.getBoundPort(), -1);
}

TEST(MulticastTransport, AnInterfaceThatCannotSendDoesNotStopTheOthers)
{
    TestNetwork network;
    auto& host = network.addHost();
    const auto first = network.connect(host, true);
    const auto second = network.connect(host, false);
    SimulatedDevice device(host, { first.remoteAddress, second.remoteAddress });

    MulticastTransport transport(multicastEndpoint);
    ASSERT_TRUE(transport.start());

    // The first interface goes down after the join: its address is still listed, its writes fail.
    network.local().runOrFail("ip link set " + first.localName + " down");
    EXPECT_TRUE(transport.send("239.12.34.0", 1236, "still", 5));
    ASSERT_TRUE(pumpUntil([&] { return device.countOn(SimulatedDevice::jsonCommandPort) >= 1; }));
    juce::Thread::sleep(100);
    const auto arrived = device.receivedOn(SimulatedDevice::jsonCommandPort);
    ASSERT_EQ(arrived.size(), 1u);
    EXPECT_EQ(arrived[0].interfaceIndex, device.interfaceIndexOf(second.remoteAddress));

    network.local().runOrFail("ip link set " + second.localName + " down");
    EXPECT_FALSE(transport.send("239.12.34.0", 1236, "nowhere", 7));
}

TEST(BroadcastTransport, SendsToTheLimitedBroadcastAddressAndSharesItsPort)
{
    TestNetwork network;
    const auto link = network.addConnectedHost();
    SimulatedDevice device(*link.host, { link.remoteAddress });

    BroadcastTransport transport(broadcastEndpoint);
    ASSERT_TRUE(transport.start());

    // Port reuse: another socket with reuse may bind the same port meanwhile.
    juce::DatagramSocket other(true);
    other.setEnablePortReuse(true);
    EXPECT_TRUE(other.bindToPort(45454));

    const auto query = SimulatedDevice::queryFrame();
    ASSERT_TRUE(transport.send("255.255.255.255", 45455, query.data(), query.size()));
    ASSERT_TRUE(pumpUntil([&] { return device.countOn(SimulatedDevice::veskPort) >= 1; }));
    const auto arrived = device.receivedOn(SimulatedDevice::veskPort);
    EXPECT_EQ(arrived[0].bytes, query);
    EXPECT_EQ(arrived[0].destination, "255.255.255.255");
    EXPECT_EQ(arrived[0].senderAddress, link.localAddress);
    EXPECT_EQ(arrived[0].senderPort, 45454);
}

TEST(MdnsTransport, FallsBackToAnyPortAndJoinsOnTheBestRouteInterface)
{
    TestNetwork network;
    const auto link = network.addConnectedHost();
    SimulatedDevice device(*link.host, { link.remoteAddress });

    // Someone else holds the well-known port without sharing it.
    const int holder = ::socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_port = htons(5353);
    ASSERT_EQ(::bind(holder, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);

    MdnsTransport transport(mdnsEndpoint);
    PacketLog log;
    log.attach(transport);
    ASSERT_TRUE(transport.start());
    EXPECT_GT(transport.getBoundPort(), 0);
    EXPECT_NE(transport.getBoundPort(), 5353);

    // The group is joined on the interface of the default route, so the host's datagram gets in.
    const int port = transport.getBoundPort();
    ASSERT_TRUE(device.sendRaw("224.0.0.251", port, "mdns", 4));
    ASSERT_TRUE(pumpUntil([&] { return log.all().size() >= 1; }));
    EXPECT_EQ(log.all()[0].bytes, "mdns");

    transport.stop();
    ::close(holder);
}
