#include "support/TestNetwork.h"
#include "tmx/transport/BestRoute.h"
#include "tmx/transport/MdnsTransport.h"
#include "tmx/transport/MulticastSocket.h"

#include <gtest/gtest.h>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <fstream>

using tmx::transport::MulticastSocket;

namespace
{
/** The interfaces of the calling thread's namespace holding a membership of the group, as the kernel lists it
    (hex in host order: 239.12.34.0 is 00220CEF). */
juce::StringArray interfacesJoined(const char* groupHex = "00220CEF")
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
        else if (fields.contains(groupHex))
            joined.add(device);
    }
    return joined;
}
} // namespace

TEST(MulticastSocket, JoinsAndLeavesOnTheNamedOrTheBestRouteInterfaceOfABoundSocket)
{
    TestNetwork network;
    const auto first = network.connect(network.addHost(), false);
    const auto second = network.connect(network.addHost(), false);
    // The route towards the internet leaves through the second link, whose first address counts.
    network.local().run("ip route add default via " + second.remoteAddress + " && ip addr add 10.232.0.1/24 dev "
                        + second.localName);
    EXPECT_EQ(tmx::transport::BestRoute::interfaceAddress(), second.localAddress);

    juce::DatagramSocket unbound;
    EXPECT_FALSE(MulticastSocket::joinMulticast(unbound, "239.12.34.0", first.localAddress));
    EXPECT_FALSE(MulticastSocket::setMulticastInterface(unbound, first.localAddress));
    EXPECT_FALSE(MulticastSocket::setMulticastTtl(unbound, 5));
    EXPECT_TRUE(interfacesJoined().isEmpty());

    juce::DatagramSocket socket;
    ASSERT_TRUE(socket.bindToPort(0));
    EXPECT_FALSE(MulticastSocket::joinMulticast(socket, "10.1.2.3", first.localAddress)) << "not a group";
    ASSERT_TRUE(MulticastSocket::joinMulticast(socket, "239.12.34.0", first.localAddress));
    EXPECT_EQ(interfacesJoined(), juce::StringArray(first.localName));
    ASSERT_TRUE(MulticastSocket::joinMulticast(socket, "239.12.34.0", {}));
    EXPECT_EQ(interfacesJoined(), juce::StringArray(first.localName, second.localName));
    EXPECT_TRUE(MulticastSocket::leaveMulticast(socket, "239.12.34.0", first.localAddress));
    EXPECT_EQ(interfacesJoined(), juce::StringArray(second.localName));
    EXPECT_TRUE(MulticastSocket::leaveMulticast(socket, "239.12.34.0", {}));
    EXPECT_TRUE(interfacesJoined().isEmpty());

    // The mDNS transport takes any port when its own is held, and joins where the best route leaves.
    const int holder = ::socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_port = htons(5353);
    ASSERT_EQ(::bind(holder, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
    tmx::transport::MdnsTransport mdns({ "224.0.0.251", 5353, 1, 0, 0, 0 });
    ASSERT_TRUE(mdns.start());
    EXPECT_GT(mdns.getBoundPort(), 0);
    EXPECT_NE(mdns.getBoundPort(), 5353);
    EXPECT_EQ(interfacesJoined("FB0000E0"), juce::StringArray(second.localName));
    mdns.stop();
    ::close(holder);
}
