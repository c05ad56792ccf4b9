#include "EngineTestSupport.h"

using tmx::DeviceEvent;

TEST(EngineDiscovery, JsonDeviceIsAddedUpdatedAndRemovedAfterFallingSilent)
{
    EngineHarness h;
    ASSERT_TRUE(h.configureStandard());
    h.device->startAnnouncing(300);

    ASSERT_TRUE(h.waitForEvent(DeviceEvent::added, EngineHarness::jsonId));
    EXPECT_TRUE(h.logs.contains("New device! Name: Sim device - ID: 02:00:00:00:00:01-80"));

    const auto& added = h.recorder.entries.front();
    EXPECT_EQ(added.event.event, DeviceEvent::added);
    EXPECT_EQ(added.event.senderAddress, h.link.remoteAddress);
    EXPECT_GT(added.event.senderPort, 0);
    EXPECT_EQ(added.event.info.protocolId, 2u);
    EXPECT_EQ(added.event.info.ip, h.link.remoteAddress.toStdString());

    // Every further message is an update.
    ASSERT_TRUE(h.waitForEvent(DeviceEvent::updated, EngineHarness::jsonId, 2));

    // Updates carry the record as sent, although the table keeps the first name.
    auto renamed = h.jsonIdentity();
    renamed.name = "Renamed";
    h.device->setIdentity(renamed);
    ASSERT_TRUE(pumpUntil([&] {
        for (const auto& entry : h.recorder.entries)
            if (entry.event.event == DeviceEvent::updated && entry.event.info.name == "Renamed")
                return true;
        return false;
    }, 10000));

    h.device->stopAnnouncing();
    const double lastSent = h.device->lastAnnouncementMs();
    ASSERT_TRUE(h.waitForEvent(DeviceEvent::removed, EngineHarness::jsonId, 1, 15000));

    const auto* removed = h.recorder.first(DeviceEvent::removed, EngineHarness::jsonId);
    const double silence = removed->receivedMs - lastSent;
    // Expiry is 5 s after the last message, checked on 1 s ticks; the upper bound leaves room for a slow machine.
    EXPECT_GT(silence, 5000.0);
    EXPECT_LT(silence, 7500.0);
    EXPECT_TRUE(removed->event.senderAddress.isEmpty());
    EXPECT_EQ(removed->event.senderPort, 0);
    EXPECT_EQ(removed->event.info.name, "Sim device") << "a removal carries the table's record";
    EXPECT_TRUE(h.logs.contains("Device timeout! Name: Sim device ID: 02:00:00:00:00:01-80"));

    EXPECT_EQ(h.recorder.count(DeviceEvent::added), 1u);
    EXPECT_GE(h.recorder.count(DeviceEvent::updated), 3u);
    EXPECT_EQ(h.logs.countStartingWith("New device!"), 1);
    EXPECT_TRUE(h.recorder.allOnMessageThread());

    // Nothing follows a removal while the device stays silent.
    const auto total = h.recorder.entries.size();
    pumpFor(1500);
    EXPECT_EQ(h.recorder.entries.size(), total);
}

TEST(EngineDiscovery, BroadcastQueryEveryTwoSecondsFindsAVeskDevice)
{
    EngineHarness h;
    SimulatedDevice::VeskIdentity vesk;
    vesk.formB = true;
    h.device->answerQueries(vesk);

    const double configured = juce::Time::getMillisecondCounterHiRes();
    ASSERT_TRUE(h.configureStandard());

    ASSERT_TRUE(h.waitForEvent(DeviceEvent::added, EngineHarness::veskId));
    ASSERT_TRUE(pumpUntil([&] { return h.device->countOn(SimulatedDevice::veskPort) >= 3; }, 15000));

    const auto queries = h.device->receivedOn(SimulatedDevice::veskPort);
    const auto expected = SimulatedDevice::queryFrame();
    for (size_t i = 0; i < queries.size(); ++i)
    {
        EXPECT_EQ(queries[i].bytes, expected) << "query " << i;
        EXPECT_EQ(queries[i].destination, "255.255.255.255");
        EXPECT_EQ(queries[i].senderAddress, h.link.localAddress);
        EXPECT_EQ(queries[i].senderPort, 45454);
        // Query k leaves on tick 2k. The framework's timer may start its first period a little short
        // (by what its thread had already waited), never by much.
        EXPECT_GE(queries[i].receivedMs - configured, 2000.0 * static_cast<double>(i + 1) - 250.0) << "query " << i;
    }
    EXPECT_LT(queries[0].receivedMs - configured, 4000.0);

    const auto* added = h.recorder.first(DeviceEvent::added, EngineHarness::veskId);
    EXPECT_EQ(added->event.info.model, "VESK-8");
    EXPECT_EQ(added->event.info.name, "Sim vesk");
    EXPECT_EQ(added->event.info.ip, h.link.remoteAddress.toStdString());
    EXPECT_EQ(added->event.info.protocolId, 3u);
    EXPECT_EQ(added->event.senderAddress, h.link.remoteAddress);
    EXPECT_TRUE(h.logs.contains("New device! Name: Sim vesk - ID: 00:1A:2B:3C:4D:5E-80"));

    // Each answered query keeps it alive.
    EXPECT_TRUE(h.waitForEvent(DeviceEvent::updated, EngineHarness::veskId));
}

TEST(EngineDiscovery, DatagramsThatDescribeNoDeviceAreIgnored)
{
    EngineHarness h;
    ASSERT_TRUE(h.configureStandard());

    const std::string action = R"({"api":"TMX 1.2","msg":"action","mac":"02:00:00:00:00:01","port":80,"params":"x"})";
    const std::string foreign = R"({"api":"XYZ","msg":"deviceInfo","name":"x"})";
    auto nearReply = SimulatedDevice::VeskIdentity().toReply(h.link.remoteAddress.toStdString());
    nearReply[2] = 0x95;

    ASSERT_TRUE(h.device->sendRaw("239.12.34.0", 1235, action.data(), action.size()));
    ASSERT_TRUE(h.device->sendRaw("239.12.34.0", 1235, foreign.data(), foreign.size()));
    ASSERT_TRUE(h.device->sendRaw(h.link.localAddress, 45454, nearReply.data(), nearReply.size()));
    // A real device afterwards shows the datagrams before it were handled and dropped.
    h.device->announceOnce();
    ASSERT_TRUE(h.waitForEvent(DeviceEvent::added, EngineHarness::jsonId));
    EXPECT_EQ(h.recorder.entries.size(), 1u);
}

TEST(EngineDiscovery, DevicesNeverExpireWhenNoEndpointIsEnabled)
{
    EngineHarness h;
    auto endpoints = tmx::DiscoveryEndpoints::standard();
    endpoints.multicast.enabled = 0;
    endpoints.broadcast.enabled = 0;
    endpoints.broadcast.query = 0;
    ASSERT_TRUE(h.engine->configure(endpoints.multicast, endpoints.broadcast, endpoints.mdns));

    h.device->announceOnce();
    ASSERT_TRUE(h.waitForEvent(DeviceEvent::added, EngineHarness::jsonId));
    pumpFor(6500);
    EXPECT_EQ(h.recorder.count(DeviceEvent::removed), 0u);
    EXPECT_EQ(h.device->countOn(SimulatedDevice::veskPort), 0u) << "no query without the query flag";
}

TEST(EngineDiscovery, NothingIsCreatedWithoutFlags)
{
    EngineHarness h;
    tmx::EndpointConfig none;
    none.address = "239.12.34.0";
    none.port = 1235;
    EXPECT_FALSE(h.engine->configure(none, none, none));

    h.device->announceOnce();
    pumpFor(2500);
    EXPECT_TRUE(h.recorder.entries.empty());
    EXPECT_EQ(h.device->countOn(SimulatedDevice::veskPort), 0u);
}

TEST(EngineDiscovery, ADeviceHeardOnBothChannelsKeepsItsFirstChannelAndTarnData)
{
    EngineHarness h;
    // The JSON form of the device whose broadcast reply carries the MAC 00:1A:2B:3C:4D:5E: both give one id.
    auto identity = h.jsonIdentity();
    identity.ip = "10.9.9.9";
    identity.networks[0].mac = "00:1A:2B:3C:4D:5E";
    identity.tarn = true;
    identity.workspaceUUID = "w-1";
    identity.isHost = true;
    h.device->setIdentity(identity);

    ASSERT_TRUE(h.configureStandard());
    h.device->announceOnce();
    ASSERT_TRUE(h.waitForEvent(DeviceEvent::added, EngineHarness::veskId));
    EXPECT_EQ(h.recorder.entries[0].event.info.protocolId, 2u);

    // Broadcast replies keep it alive and move its address, but neither its channel nor its TARN data change.
    h.device->answerQueries({});
    ASSERT_TRUE(pumpUntil([&] {
        for (const auto& entry : h.recorder.entries)
            if (entry.event.event == DeviceEvent::updated && entry.event.info.protocolId == 3)
                return true;
        return false;
    }, 10000));

    ASSERT_TRUE(h.engine->sendCommand(EngineHarness::veskId, tmx::FinderRequest { true }));
    ASSERT_TRUE(pumpUntil([&] { return h.device->countOn(SimulatedDevice::jsonCommandPort) >= 1; }, 10000))
        << "the command takes the channel the device was first heard on";

    h.device->stopAnswering();
    ASSERT_TRUE(h.waitForEvent(DeviceEvent::removed, EngineHarness::veskId, 1, 15000));
    const auto& stored = h.recorder.first(DeviceEvent::removed, EngineHarness::veskId)->event.info;
    EXPECT_EQ(stored.protocolId, 2u);
    EXPECT_EQ(stored.ip, h.link.remoteAddress.toStdString()) << "the latest address";
    EXPECT_TRUE(stored.tarn.isTarn);
    EXPECT_EQ(stored.tarn.workspaceUUID, "w-1");
    EXPECT_TRUE(stored.tarn.isHost);
    EXPECT_EQ(stored.name, "Sim device");
}

TEST(EngineDiscovery, TheMdnsChannelListensAndReportsNothing)
{
    EngineHarness h;
    tmx::EndpointConfig off;
    auto mdns = tmx::DiscoveryEndpoints::standard().mdns;
    mdns.enabled = 1;
    ASSERT_TRUE(h.engine->configure(off, off, mdns));

    const auto text = h.jsonIdentity().toJson();
    ASSERT_TRUE(h.device->sendRaw("224.0.0.251", 5353, text.data(), text.size()));
    pumpFor(1500);
    EXPECT_TRUE(h.recorder.entries.empty());
    EXPECT_EQ(h.logs.countStartingWith("New device!"), 0);
}

TEST(EngineDiscovery, VeskDevicesOnTwoLinksWithoutADefaultRouteAreFound)
{
    // A laptop cabled straight to two devices, no gateway anywhere.
    LogCapture logs;
    TestNetwork network;
    auto& firstHost = network.addHost();
    auto& secondHost = network.addHost();
    const auto first = network.connect(firstHost, false);
    const auto second = network.connect(secondHost, false);
    SimulatedDevice one(firstHost, { first.remoteAddress });
    SimulatedDevice two(secondHost, { second.remoteAddress });
    ASSERT_TRUE(one.isRunning() && two.isRunning());

    // One name is not UTF-8 (a broken pair, then a sequence cut off by the end); the other is, and stays as it is.
    SimulatedDevice::VeskIdentity broken;
    broken.name = "Vesk \xC3( \xE2\x82";
    SimulatedDevice::VeskIdentity accented;
    accented.mac[5] = 0x5F;
    accented.name = "Ger\xC3\xA4t \xE2\x9C\x93";
    one.answerQueries(broken);
    two.answerQueries(accented);

    EventRecorder recorder;
    tmx::DiscoveryEngine engine;
    engine.addListener(&recorder);
    const auto endpoints = tmx::DiscoveryEndpoints::standard();
    ASSERT_TRUE(engine.configure(endpoints.multicast, endpoints.broadcast, endpoints.mdns));

    const std::string secondId = "00:1A:2B:3C:4D:5F-80";
    ASSERT_TRUE(pumpUntil([&] {
        return recorder.count(DeviceEvent::added, EngineHarness::veskId) == 1
               && recorder.count(DeviceEvent::added, secondId) == 1;
    }, 10000));

    EXPECT_TRUE(logs.contains(
        juce::String::fromUTF8("New device! Name: Vesk \xEF\xBF\xBD( \xEF\xBF\xBD - ID: 00:1A:2B:3C:4D:5E-80")));
    EXPECT_TRUE(logs.contains(
        juce::String::fromUTF8("New device! Name: Ger\xC3\xA4t \xE2\x9C\x93 - ID: 00:1A:2B:3C:4D:5F-80")));
}
