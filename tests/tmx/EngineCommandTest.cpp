#include "EngineTestSupport.h"
#include "support/WireTexts.h"
#include "tmx/transport/BroadcastTransport.h"

#include <set>

using tmx::DeviceEvent;

using namespace wire;

namespace
{
bool waitForDatagrams(const SimulatedDevice& device, int port, size_t count)
{
    return pumpUntil([&] { return device.countOn(port) >= count; }, 10000);
}
} // namespace

TEST(EngineCommands, TwoInterfacesJoinBothAndEveryCommandLeavesThroughEachWithTtl5)
{
    LogCapture logs;
    TestNetwork network;
    auto& host = network.addHost();
    const auto first = network.connect(host, true);
    const auto second = network.connect(host, false);
    SimulatedDevice device(host, { first.remoteAddress, second.remoteAddress });
    ASSERT_TRUE(device.isRunning());

    SimulatedDevice::JsonIdentity identity;
    identity.ip = second.remoteAddress.toStdString();
    SimulatedDevice::Interface eth0;
    eth0.ip = identity.ip;
    eth0.mac = "02-00-00-00-00-01";  // normalised by the protocol
    identity.networks.push_back(eth0);
    device.setIdentity(identity);

    EventRecorder recorder;
    tmx::DiscoveryEngine engine;
    engine.addListener(&recorder);
    const auto endpoints = tmx::DiscoveryEndpoints::standard();
    ASSERT_TRUE(engine.configure(endpoints.multicast, endpoints.broadcast, endpoints.mdns));

    // Heard through the second interface alone: the group was joined there too.
    ASSERT_TRUE(device.announceOnce(second.remoteAddress));
    ASSERT_TRUE(pumpUntil([&] { return recorder.count(DeviceEvent::added, EngineHarness::jsonId) == 1; }, 10000));
    EXPECT_EQ(recorder.entries[0].event.senderAddress, second.remoteAddress);
    ASSERT_TRUE(device.announceOnce(first.remoteAddress));
    ASSERT_TRUE(pumpUntil([&] { return recorder.count(DeviceEvent::updated, EngineHarness::jsonId) == 1; }, 10000));

    ASSERT_TRUE(engine.sendCommand(EngineHarness::jsonId, tmx::FinderRequest { true }));
    ASSERT_TRUE(waitForDatagrams(device, SimulatedDevice::jsonCommandPort, 2));
    pumpFor(200);

    const auto arrived = device.receivedOn(SimulatedDevice::jsonCommandPort);
    ASSERT_EQ(arrived.size(), 2u) << "once through each interface";
    std::set<int> interfaces;
    for (const auto& datagram : arrived)
    {
        EXPECT_EQ(datagram.text(), action("02:00:00:00:00:01", 80, finderParams(true)));
        EXPECT_EQ(datagram.ttl, 5);
        EXPECT_EQ(datagram.destination, "239.12.34.0");
        interfaces.insert(datagram.interfaceIndex);
    }
    EXPECT_EQ(interfaces, (std::set<int> { device.interfaceIndexOf(first.remoteAddress),
                                          device.interfaceIndexOf(second.remoteAddress) }));

    device.clearReceived();
    ASSERT_TRUE(engine.sendCommand(EngineHarness::jsonId, tmx::FinderRequest { false }));
    ASSERT_TRUE(waitForDatagrams(device, SimulatedDevice::jsonCommandPort, 2));
    EXPECT_EQ(device.receivedOn(SimulatedDevice::jsonCommandPort)[0].text(), action("02:00:00:00:00:01", 80, finderParams(false)));
}

TEST(EngineCommands, NetworkSettingsForAJsonDeviceUseTheFirstSeenInterfaces)
{
    EngineHarness h;
    auto identity = h.jsonIdentity();
    SimulatedDevice::Interface eth1;
    eth1.name = "eth1";
    eth1.ip = "10.0.0.7";
    eth1.mask = "255.0.0.0";
    eth1.dhcp = true;
    eth1.mac = "02:00:00:00:00:02";
    identity.networks.push_back(eth1);
    h.device->setIdentity(identity);
    const std::string id = "02:00:00:00:00:01-02:00:00:00:00:02-80";

    ASSERT_TRUE(h.configureStandard());
    h.device->announceOnce();
    ASSERT_TRUE(h.waitForEvent(DeviceEvent::added, id));

    // The device reports other settings for its second interface; the table keeps the first ones.
    identity.networks[1].ip = "10.0.0.8";
    identity.networks[1].mask = "255.255.0.0";
    h.device->setIdentity(identity);
    h.device->announceOnce();
    ASSERT_TRUE(h.waitForEvent(DeviceEvent::updated, id));
    EXPECT_EQ(h.recorder.first(DeviceEvent::updated, id)->event.info.networks[1].ip, "10.0.0.8");

    tmx::NetworkChangeRequest request;
    request.iface = 0;
    request.dhcp = false;
    request.ip = "192.168.1.50";
    request.mask = "255.255.255.0";
    request.gateway = "192.168.1.1";
    request.dns1 = "192.168.1.1";
    request.dns2 = "192.168.1.2";
    ASSERT_TRUE(h.engine->sendCommand(id, request));
    ASSERT_TRUE(waitForDatagrams(*h.device, SimulatedDevice::jsonCommandPort, 1));

    const auto expected = action("02:00:00:00:00:01", 80,
                                 networkParams("192.168.1.1", "192.168.1.1", "192.168.1.2",
                                               { false, "192.168.1.50", "255.255.255.0" }, { true, "10.0.0.7", "255.0.0.0" }));
    EXPECT_EQ(h.device->receivedOn(SimulatedDevice::jsonCommandPort)[0].text(), expected);
}

TEST(EngineCommands, VeskCommandsGoToTheDevicesLatestAddress)
{
    EngineHarness h;
    // The first reply names an address where nobody listens; later replies the real one.
    SimulatedDevice::VeskIdentity vesk;
    vesk.ip = "10.231.1.77";
    h.device->answerQueries(vesk);
    ASSERT_TRUE(h.configureStandard());
    ASSERT_TRUE(h.waitForEvent(DeviceEvent::added, EngineHarness::veskId));

    vesk.ip.clear();
    h.device->answerQueries(vesk);
    ASSERT_TRUE(pumpUntil([&] {
        for (const auto& entry : h.recorder.entries)
            if (entry.event.event == DeviceEvent::updated && entry.event.info.ip == h.link.remoteAddress.toStdString())
                return true;
        return false;
    }, 10000));

    ASSERT_TRUE(h.engine->sendCommand(EngineHarness::veskId, tmx::FinderRequest { true }));
    ASSERT_TRUE(pumpUntil([&] { return commandsOn(*h.device, SimulatedDevice::veskPort).size() >= 1; }, 10000));

    const auto finder = commandsOn(*h.device, SimulatedDevice::veskPort)[0];
    EXPECT_EQ(finder.bytes, veskFinderFrame(true));
    EXPECT_EQ(finder.destination, h.link.remoteAddress) << "unicast to the device, not broadcast";
    EXPECT_EQ(finder.senderPort, 45454);

    tmx::NetworkChangeRequest request;
    request.iface = 0;
    request.dhcp = false;
    request.ip = "192.168.1.20";
    request.mask = "255.255.255.0";
    ASSERT_TRUE(h.engine->sendCommand(EngineHarness::veskId, request));
    ASSERT_TRUE(pumpUntil([&] { return commandsOn(*h.device, SimulatedDevice::veskPort).size() >= 2; }, 10000));

    EXPECT_EQ(commandsOn(*h.device, SimulatedDevice::veskPort)[1].bytes,
              veskSettingsFrame({ 0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E }, false, { "192.168.1.20", "255.255.255.0", "", "", "" }));
}

TEST(EngineCommands, CommandsThatCannotBeSentReturnFalseAndSendNothing)
{
    EngineHarness h;
    h.device->answerQueries({});
    auto endpoints = tmx::DiscoveryEndpoints::standard();
    endpoints.multicast.allowCommands = 0;
    ASSERT_TRUE(h.engine->configure(endpoints.multicast, endpoints.broadcast, endpoints.mdns));

    h.device->announceOnce();
    ASSERT_TRUE(h.waitForEvent(DeviceEvent::added, EngineHarness::jsonId));
    ASSERT_TRUE(h.waitForEvent(DeviceEvent::added, EngineHarness::veskId));

    EXPECT_FALSE(h.engine->sendCommand("no-such-device-80", tmx::FinderRequest { true }));
    EXPECT_FALSE(h.engine->sendCommand(EngineHarness::jsonId, tmx::FinderRequest { true })) << "commands off";
    EXPECT_FALSE(h.engine->sendCommand(EngineHarness::veskId, tmx::ReservedRequest {})) << "nothing to encode";

    pumpFor(500);
    EXPECT_EQ(h.device->countOn(SimulatedDevice::jsonCommandPort), 0u);
    EXPECT_TRUE(commandsOn(*h.device, SimulatedDevice::veskPort).empty());

    // The same device through a channel that allows commands.
    EXPECT_TRUE(h.engine->sendCommand(EngineHarness::veskId, tmx::FinderRequest { false }));
}

TEST(EngineCommands, AnAddressThatIsAHostNameIsNeitherLookedUpNorSentTo)
{
    EngineHarness h;
    ASSERT_TRUE(h.configureStandard());

    // First heard by broadcast...
    const auto reply = SimulatedDevice::VeskIdentity().toReply(h.link.remoteAddress.toStdString());
    ASSERT_TRUE(h.device->sendRaw(h.link.localAddress, 45454, reply.data(), reply.size()));
    ASSERT_TRUE(h.waitForEvent(DeviceEvent::added, EngineHarness::veskId));

    // ...then described over multicast with a name for its address. This one resolves without any network:
    // looked up, it would send the frame to the probe.
    juce::DatagramSocket probe;
    ASSERT_TRUE(probe.bindToPort(SimulatedDevice::veskPort, "127.0.0.1"));
    auto identity = h.jsonIdentity();
    identity.ip = "localhost";
    identity.networks[0].mac = "00:1A:2B:3C:4D:5E";
    h.device->setIdentity(identity);
    h.device->announceOnce();
    ASSERT_TRUE(h.waitForEvent(DeviceEvent::updated, EngineHarness::veskId));

    EXPECT_FALSE(h.engine->sendCommand(EngineHarness::veskId, tmx::FinderRequest { true }));
    EXPECT_EQ(h.logs.countStartingWith("Command not sent!"), 1);
    EXPECT_TRUE(h.logs.contains("Command not sent! Not an IPv4 address: localhost - ID: 00:1A:2B:3C:4D:5E-80"));

    // The transports refuse such a destination of their own accord too.
    tmx::transport::BroadcastTransport transport({ "255.255.255.255", 0, 1, 1, 0, 0 });
    ASSERT_TRUE(transport.start());
    EXPECT_FALSE(transport.send("localhost", SimulatedDevice::veskPort, "x", 1));

    EXPECT_EQ(probe.waitUntilReady(true, 500), 0) << "nothing was sent where the name points";
    EXPECT_TRUE(commandsOn(*h.device, SimulatedDevice::veskPort).empty());
}
