#include "support/Printers.h"
#include "support/TestNetwork.h"
#include "tmx/transport/BestRoute.h"
#include "tmx/transport/MulticastSocket.h"

#include <gtest/gtest.h>

#include <fstream>

using tmx::transport::MulticastSocket;

namespace
{
/** The interfaces of the calling thread's namespace that hold a membership of 239.12.34.0 (00220CEF there). */
juce::StringArray interfacesJoined()
{
    std::ifstream table("/proc/thread-self/net/igmp");
    juce::StringArray joined;
    juce::String device;
    for (std::string line; std::getline(table, line);)
    {
        auto fields = juce::StringArray::fromTokens(juce::String(line), " \t:", "");
        fields.removeEmptyStrings();
        if (line[0] != '\t' && fields.size() > 1)
            device = fields[1];
        else if (fields.contains("00220CEF"))
            joined.add(device);
    }
    return joined;
}
} // namespace

TEST(MulticastSocket, JoinsOnTheNamedInterfaceOrWhereTheBestRouteLeavesAndOnlyOnABoundSocket)
{
    TestNetwork network;
    const auto first = network.connect(network.addHost(), false);
    const auto second = network.connect(network.addHost(), false);
    // The route towards the internet leaves through the second link, whose first address counts; left to
    // itself, the system would join groups on the first.
    network.local().run("ip route add default via " + second.remoteAddress + " && ip addr add 10.232.0.1/24 dev "
                        + second.localName + " && ip route add 224.0.0.0/4 dev " + first.localName);
    EXPECT_EQ(tmx::transport::BestRoute::interfaceAddress(), second.localAddress);

    juce::DatagramSocket socket;
    EXPECT_FALSE(MulticastSocket::joinMulticast(socket, "239.12.34.0", first.localAddress)) << "not bound yet";
    EXPECT_FALSE(MulticastSocket::setMulticastTtl(socket, 5));
    EXPECT_TRUE(interfacesJoined().isEmpty());
    ASSERT_TRUE(socket.bindToPort(0));
    EXPECT_FALSE(MulticastSocket::joinMulticast(socket, "10.1.2.3", first.localAddress)) << "not a group";
    ASSERT_TRUE(MulticastSocket::joinMulticast(socket, "239.12.34.0", first.localAddress));
    ASSERT_TRUE(MulticastSocket::joinMulticast(socket, "239.12.34.0", {}));
    EXPECT_EQ(interfacesJoined(), juce::StringArray(first.localName, second.localName));
    // Leaving without a name finds the same interface.
    EXPECT_TRUE(MulticastSocket::leaveMulticast(socket, "239.12.34.0", {}));
    EXPECT_EQ(interfacesJoined(), juce::StringArray(first.localName));
}
