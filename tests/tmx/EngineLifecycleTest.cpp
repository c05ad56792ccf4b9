#include "EngineRecorder.h"

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace
{
/** Waits without running the message loop until a receive thread has taken in a new device: its event is then
    queued for the message thread, not delivered. */
bool waitForNewDevices(const LogCapture& logs, int count)
{
    return waitFor([&] { return logs.count("New device!") >= count; });
}
} // namespace

TEST(EngineLifecycle, ConfigureStopAndDestructionForgetTheDevicesAndTheEventsOnTheirWay)
{
    LogCapture logs;
    TestNetwork network;
    const auto link = network.addConnectedHost();
    SimulatedDevice device(*link.host, { link.remoteAddress });
    auto engine = std::make_unique<tmx::DiscoveryEngine>();
    EngineRecorder events(*engine);
    const auto text = jsonDevice(link.remoteAddress);

    // Refresh configures again: the table empties without removals, and an event still on its way is dropped.
    ASSERT_TRUE(configureStandard(*engine));
    ASSERT_TRUE(device.announce(text));
    ASSERT_TRUE(waitForNewDevices(logs, 1));
    ASSERT_TRUE(configureStandard(*engine));
    EXPECT_FALSE(engine->sendCommand(jsonId, tmx::FinderRequest { true }));
    pumpFor(300);
    EXPECT_TRUE(events.entries.empty());

    // The new channels hear the device as a new one; stop forgets it the same way.
    ASSERT_TRUE(device.announce(text));
    ASSERT_TRUE(events.waitFor(jsonId, Code::added));
    ASSERT_TRUE(device.announce(text));
    ASSERT_TRUE(device.announce(jsonDevice(link.remoteAddress, "Other", "02:00:00:00:00:02")));
    ASSERT_TRUE(waitForNewDevices(logs, 3));
    engine->stop();
    pumpFor(300);
    EXPECT_EQ(events.entries.size(), 1u);

    // With no endpoint enabled, devices never expire.
    auto endpoints = tmx::DiscoveryEndpoints::standard();
    endpoints.multicast.enabled = endpoints.broadcast.enabled = 0;
    ASSERT_TRUE(engine->configure(endpoints.multicast, endpoints.broadcast, endpoints.mdns));
    ASSERT_TRUE(device.announce(text));
    ASSERT_TRUE(events.waitFor(jsonId, Code::added, 2));
    pumpFor(6500);
    EXPECT_EQ(events.entries.size(), 2u);
    EXPECT_TRUE(engine->sendCommand(jsonId, tmx::FinderRequest { true }));

    // A destroyed engine's queued events reach nobody.
    ASSERT_TRUE(device.announce(jsonDevice(link.remoteAddress, "Third", "02:00:00:00:00:03")));
    ASSERT_TRUE(waitForNewDevices(logs, 5));
    engine.reset();
    pumpFor(300);
    EXPECT_EQ(events.entries.size(), 2u);
}

TEST(EngineLifecycle, EachChannelThatCannotStartSaysWhy)
{
    LogCapture logs;
    TestNetwork network;  // started before the network is up: loopback only

    const int holder = ::socket(AF_INET, SOCK_DGRAM, 0);  // and someone holds the broadcast port, unshared
    const sockaddr_in address { AF_INET, htons(45454), {}, {} };
    ASSERT_EQ(::bind(holder, reinterpret_cast<const sockaddr*>(&address), sizeof(address)), 0);

    tmx::DiscoveryEngine engine;
    EXPECT_FALSE(configureStandard(engine));
    ::close(holder);

    const juce::String failed = "Channel failed to start! Channel: ";
    EXPECT_EQ(logs.count(failed), 2) << logs.lines().joinIntoString("\n");
    EXPECT_TRUE(logs.contains(failed + "multicast - Reason: no IPv4 interface besides loopback"));
    EXPECT_TRUE(logs.contains(failed + "broadcast - Reason: cannot bind port 45454 (Address already in use)"));
}
