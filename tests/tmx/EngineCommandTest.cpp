#include "EngineRecorder.h"

#include "tmx/transport/BroadcastTransport.h"
#include "tmx/transport/Ipv4Literal.h"

#include <set>

TEST(EngineCommands, GoOnceThroughEachInterfaceToTheGroupOrToTheDevicesLatestAddressAndNowhereElse)
{
    LogCapture logs;
    TestNetwork network;
    auto& host = network.addHost();
    const auto first = network.connect(host, true);
    const auto second = network.connect(host, false);
    SimulatedDevice device(host, { first.remoteAddress, second.remoteAddress });
    tmx::DiscoveryEngine engine;
    EngineRecorder events(engine);
    ASSERT_TRUE(configureStandard(engine));

    // Heard through the second interface alone (the group is joined on each); its commands go to the group on
    // 1236 once through each interface, with TTL 5.
    ASSERT_TRUE(device.announce(jsonDevice(second.remoteAddress), second.remoteAddress));
    ASSERT_TRUE(events.waitFor(jsonId, Code::added));
    for (bool on : { true, false })
    {
        device.clear();
        ASSERT_TRUE(engine.sendCommand(jsonId, tmx::FinderRequest { on }));
        ASSERT_TRUE(pumpUntil([&] { return device.received(SimulatedDevice::jsonCommandPort).size() >= 2; }));
        pumpFor(100);
        std::set<int> interfaces;
        for (const auto& datagram : device.received(SimulatedDevice::jsonCommandPort))
        {
            EXPECT_EQ(wire::text(datagram.bytes), wire::action("02:00:00:00:00:01", 80, wire::finderParams(on)));
            EXPECT_EQ(datagram.ttl, 5);
            EXPECT_EQ(datagram.destination, wire::group);
            EXPECT_TRUE(interfaces.insert(datagram.interfaceIndex).second) << "twice through one interface";
        }
        EXPECT_EQ(interfaces, (std::set<int> { device.interfaceIndexOf(first.remoteAddress),
                                              device.interfaceIndexOf(second.remoteAddress) }));
    }

    // A VESK device's commands go to the address its latest reply gave (the first one named an empty spot),
    // on 45455, from the reply port.
    wire::Vesk vesk;
    vesk.ip = "10.231.2.77";
    ASSERT_TRUE(device.sendRaw(second.localAddress, wire::veskReplyPort, wire::text(wire::veskReply(vesk))));
    ASSERT_TRUE(events.waitFor(veskId, Code::added));
    vesk.ip = second.remoteAddress.toStdString();
    ASSERT_TRUE(device.sendRaw(second.localAddress, wire::veskReplyPort, wire::text(wire::veskReply(vesk))));
    ASSERT_TRUE(events.waitFor(veskId, Code::updated));
    ASSERT_TRUE(engine.sendCommand(veskId, tmx::FinderRequest { true }));
    ASSERT_TRUE(pumpUntil([&] { return ! device.received(SimulatedDevice::veskPort).empty(); }));
    EXPECT_EQ(device.received(SimulatedDevice::veskPort)[0].bytes, wire::veskFinder(true));
    EXPECT_EQ(device.received(SimulatedDevice::veskPort)[0].destination, second.remoteAddress);
    EXPECT_EQ(device.received(SimulatedDevice::veskPort)[0].senderPort, wire::veskReplyPort);

    EXPECT_FALSE(engine.sendCommand("02:00:00:00:00:09-80", tmx::FinderRequest { true })) << "unknown device";
    EXPECT_FALSE(engine.sendCommand(veskId, tmx::ReservedRequest {})) << "nothing to encode";

    // Then described over JSON with a name for its address: never looked up, nothing sent. The name resolves
    // without any network, to where the probe listens.
    juce::DatagramSocket probe;
    ASSERT_TRUE(probe.bindToPort(SimulatedDevice::veskPort, "127.0.0.1"));
    ASSERT_TRUE(device.announce(jsonDevice("localhost", "Sim vesk", "00:1A:2B:3C:4D:5E"), second.remoteAddress));
    ASSERT_TRUE(events.waitFor(veskId, Code::updated, 2));
    EXPECT_FALSE(engine.sendCommand(veskId, tmx::FinderRequest { true }));
    EXPECT_TRUE(logs.contains("Command not sent! Not an IPv4 address: localhost - ID: 00:1A:2B:3C:4D:5E-80"));
    // Nor to an address that reaches every device, this machine or no one: a command is for one device. This
    // machine's own addresses count whether the system was given a broadcast address for them (as DHCP does) or not.
    const juce::String subnet = second.localAddress.upToLastOccurrenceOf(".", true, false);
    const juce::String linkBroadcast = subnet + "255", ownWithBroadcast = subnet + "50";
    network.local().run("ip addr add " + ownWithBroadcast + "/24 brd + dev " + second.localName);
    juce::DatagramSocket ownProbes[2];
    ASSERT_TRUE(ownProbes[0].bindToPort(SimulatedDevice::veskPort, second.localAddress));
    ASSERT_TRUE(ownProbes[1].bindToPort(SimulatedDevice::veskPort, ownWithBroadcast));
    const juce::String notOneDevice[] = { "255.255.255.255", "127.0.0.1", "0.0.0.0", "224.0.0.1", "240.0.0.1",
                                          linkBroadcast, second.localAddress, ownWithBroadcast };
    for (const auto& ip : notOneDevice)
    {
        ASSERT_TRUE(device.announce(jsonDevice(ip, "Sim vesk", "00:1A:2B:3C:4D:5E"), second.remoteAddress));
        ASSERT_TRUE(events.waitFor(veskId, Code::updated, events.of(veskId, Code::updated).size() + 1));
        EXPECT_FALSE(engine.sendCommand(veskId, tmx::FinderRequest { true })) << ip;
    }
    network.local().run("ip addr del " + ownWithBroadcast + "/24 dev " + second.localName);
    EXPECT_EQ(logs.count("Command not sent!"), 9);
    EXPECT_TRUE(logs.contains("Command not sent! Broadcast address of a local network: " + linkBroadcast + " - ID: "
                              + juce::String(veskId)));
    for (const auto& own : { second.localAddress, ownWithBroadcast })
        EXPECT_TRUE(logs.contains("Command not sent! Address of this machine: " + own + " - ID: "
                                  + juce::String(veskId)));
    // The transports refuse anything but a dotted-decimal address of their own accord too.
    tmx::transport::BroadcastTransport transport({ "255.255.255.255", 0, 1, 1, 0, 0 });
    ASSERT_TRUE(transport.start());
    for (const auto* name : { "localhost", "127.1", "0x7f.0.0.1", "127.000.0.1", "127.0.0.1 ", "127.0.0.1\n" })
        EXPECT_FALSE(transport.send(name, SimulatedDevice::veskPort, "x", 1)) << name;
    uint32_t parsed = 0;
    EXPECT_FALSE(tmx::transport::Ipv4Literal::parse(std::string_view("127.0.0.1\0.5", 11), parsed));
    for (auto* listening : { &probe, &ownProbes[0], &ownProbes[1] })
        EXPECT_EQ(listening->waitUntilReady(true, 300), 0) << "something reached this machine";
    EXPECT_EQ(device.received(SimulatedDevice::veskPort).size(), 1u);

    // A channel without commands sends none; a new configuration forgets the devices.
    auto endpoints = tmx::DiscoveryEndpoints::standard();
    endpoints.multicast.allowCommands = 0;
    ASSERT_TRUE(engine.configure(endpoints.multicast, endpoints.broadcast, endpoints.mdns));
    EXPECT_FALSE(engine.sendCommand(veskId, tmx::FinderRequest { true })) << "the table was emptied";
    ASSERT_TRUE(device.announce(jsonDevice(second.remoteAddress), second.remoteAddress));
    ASSERT_TRUE(events.waitFor(jsonId, Code::added, 2));
    EXPECT_FALSE(engine.sendCommand(jsonId, tmx::FinderRequest { true })) << "commands are off";
}
