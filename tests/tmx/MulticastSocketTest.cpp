#include "support/SimulatedDevice.h"
#include "support/TestNetwork.h"
#include "tmx/transport/BestRoute.h"
#include "tmx/transport/MulticastSocket.h"

#include <gtest/gtest.h>

#include <netinet/in.h>
#include <sys/socket.h>

#include <fstream>

using tmx::transport::BestRoute;
using tmx::transport::MulticastSocket;

namespace
{
    constexpr const char* group = "239.12.34.0";

    // Hex of 239.12.34.0 as the kernel lists it in /proc/net/igmp (host byte order of a little-endian machine).
    constexpr const char* groupInIgmpTable = "00220CEF";

    /** The interfaces of the calling thread's namespace that hold a membership of the test group. */
    juce::StringArray interfacesJoined()
    {
        std::ifstream table("/proc/thread-self/net/igmp");
        juce::StringArray joined;
        std::string line;
        juce::String device;
        while (std::getline(table, line))
        {
            const auto text = juce::String(line);
            if (! text.startsWithChar('\t'))
            {
                // "1\tlo        :     1      V3" -> the device name is the second field.
                auto fields = juce::StringArray::fromTokens(text, " \t:", "");
                fields.removeEmptyStrings();
                device = fields.size() > 1 && fields[0] != "Idx" ? fields[1] : juce::String();
            }
            else if (text.containsIgnoreCase(groupInIgmpTable))
            {
                joined.addIfNotAlreadyThere(device);
            }
        }
        return joined;
    }

    int intOption(juce::DatagramSocket& socket, int option)
    {
        int value = -1;
        socklen_t size = sizeof(value);
        ::getsockopt(socket.getRawSocketHandle(), IPPROTO_IP, option, &value, &size);
        return value;
    }
}

TEST(MulticastSocket, EveryOperationNeedsAnOpenBoundSocket)
{
    TestNetwork network;
    const auto link = network.addConnectedHost();

    juce::DatagramSocket unbound(true);
    EXPECT_FALSE(MulticastSocket::joinMulticast(unbound, group, link.localAddress));
    EXPECT_FALSE(MulticastSocket::joinMulticast(unbound, group, {}));
    EXPECT_FALSE(MulticastSocket::leaveMulticast(unbound, group, link.localAddress));
    EXPECT_FALSE(MulticastSocket::setMulticastInterface(unbound, link.localAddress));
    EXPECT_FALSE(MulticastSocket::setMulticastTtl(unbound, 5));
    EXPECT_TRUE(interfacesJoined().isEmpty());
    EXPECT_EQ(intOption(unbound, IP_MULTICAST_TTL), 1) << "the TTL of an unbound socket must stay untouched";

    juce::DatagramSocket closed(true);
    ASSERT_TRUE(closed.bindToPort(0));
    closed.shutdown();
    EXPECT_FALSE(MulticastSocket::joinMulticast(closed, group, link.localAddress));
    EXPECT_FALSE(MulticastSocket::setMulticastTtl(closed, 5));
}

TEST(MulticastSocket, JoinAndLeaveOnANamedInterface)
{
    TestNetwork network;
    const auto first = network.addConnectedHost();
    const auto second = network.connect(network.addHost(), false);

    juce::DatagramSocket socket(true);
    ASSERT_TRUE(socket.bindToPort(0));

    ASSERT_TRUE(MulticastSocket::joinMulticast(socket, group, second.localAddress));
    EXPECT_EQ(interfacesJoined(), juce::StringArray(second.localName));

    ASSERT_TRUE(MulticastSocket::joinMulticast(socket, group, first.localAddress));
    EXPECT_TRUE(interfacesJoined().contains(first.localName));

    EXPECT_TRUE(MulticastSocket::leaveMulticast(socket, group, second.localAddress));
    EXPECT_EQ(interfacesJoined(), juce::StringArray(first.localName));
    EXPECT_TRUE(MulticastSocket::leaveMulticast(socket, group, first.localAddress));
    EXPECT_TRUE(interfacesJoined().isEmpty());
}

TEST(MulticastSocket, RejectedAddressesFail)
{
    TestNetwork network;
    const auto link = network.addConnectedHost();

    juce::DatagramSocket socket(true);
    ASSERT_TRUE(socket.bindToPort(0));

    EXPECT_FALSE(MulticastSocket::joinMulticast(socket, "10.1.2.3", link.localAddress)) << "not a group";
    EXPECT_FALSE(MulticastSocket::joinMulticast(socket, group, "not an address"));
    EXPECT_FALSE(MulticastSocket::joinMulticast(socket, group, "10.99.99.99")) << "no such local interface";
    EXPECT_FALSE(MulticastSocket::leaveMulticast(socket, group, link.localAddress)) << "never joined";
    EXPECT_FALSE(MulticastSocket::setMulticastInterface(socket, "10.99.99.99"));
    EXPECT_TRUE(interfacesJoined().isEmpty());
}

TEST(MulticastSocket, EmptyInterfaceFollowsTheBestRoute)
{
    TestNetwork network;
    const auto first = network.connect(network.addHost(), false);
    const auto second = network.connect(network.addHost(), false);
    // The route towards the internet goes through the second link only.
    network.local().runOrFail("ip route add default via 10.231.2.2 dev " + second.localName);

    EXPECT_EQ(BestRoute::interfaceAddress(), second.localAddress);

    juce::DatagramSocket socket(true);
    ASSERT_TRUE(socket.bindToPort(0));
    ASSERT_TRUE(MulticastSocket::joinMulticast(socket, group, {}));
    EXPECT_EQ(interfacesJoined(), juce::StringArray(second.localName));

    // Leaving the same way finds the same interface.
    EXPECT_TRUE(MulticastSocket::leaveMulticast(socket, group, {}));
    EXPECT_TRUE(interfacesJoined().isEmpty());
    juce::ignoreUnused(first);
}

TEST(MulticastSocket, BestRouteTakesTheFirstAddressOfTheInterface)
{
    TestNetwork network;
    const auto link = network.addConnectedHost();
    network.local().runOrFail("ip addr add 10.232.0.1/24 dev " + link.localName);

    EXPECT_EQ(BestRoute::interfaceAddress(), link.localAddress);
    EXPECT_EQ(BestRoute::firstAddressOf(0), juce::String());
    EXPECT_EQ(BestRoute::interfaceIndexFor("not an address"), 0);
}

