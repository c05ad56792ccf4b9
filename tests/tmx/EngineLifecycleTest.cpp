#include "EngineTestSupport.h"

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

using tmx::DeviceEvent;

namespace
{
    /** Waits, without running the message loop, until the receive thread has taken the device in:
        its event is then queued for the message thread but not delivered. */
    bool waitForLogLine(const LogCapture& logs, const juce::String& prefix, int count, int timeoutMs = 10000)
    {
        const auto deadline = juce::Time::getMillisecondCounter() + static_cast<uint32_t>(timeoutMs);
        while (logs.countStartingWith(prefix) < count)
        {
            if (juce::Time::getMillisecondCounter() > deadline)
                return false;
            juce::Thread::sleep(2);
        }
        return true;
    }

    struct CallbackListener : tmx::DiscoveryEngine::Listener
    {
        std::function<void()> onCall;
        int calls = 0;
        void deviceChanged(const DeviceEvent&) override
        {
            ++calls;
            if (onCall)
                onCall();
        }
    };
}

TEST(EngineLifecycle, SecondConfigureEmptiesTheTableWithoutRemovals)
{
    EngineHarness h;
    h.device->answerQueries({});
    ASSERT_TRUE(h.configureStandard());
    h.device->announceOnce();
    ASSERT_TRUE(h.waitForEvent(DeviceEvent::added, EngineHarness::jsonId));
    ASSERT_TRUE(h.waitForEvent(DeviceEvent::added, EngineHarness::veskId));

    ASSERT_TRUE(h.configureStandard());
    EXPECT_FALSE(h.engine->sendCommand(EngineHarness::jsonId, tmx::FinderRequest { true })) << "table emptied";
    EXPECT_FALSE(h.engine->sendCommand(EngineHarness::veskId, tmx::FinderRequest { true }));

    // The rebuilt channels hear the devices again, as new ones.
    h.device->announceOnce();
    ASSERT_TRUE(h.waitForEvent(DeviceEvent::added, EngineHarness::jsonId, 2));
    ASSERT_TRUE(h.waitForEvent(DeviceEvent::added, EngineHarness::veskId, 2));
    EXPECT_EQ(h.recorder.count(DeviceEvent::removed), 0u);
    EXPECT_EQ(h.logs.countStartingWith("New device! Name: Sim device"), 2);
    EXPECT_TRUE(h.engine->sendCommand(EngineHarness::jsonId, tmx::FinderRequest { true }));
}

TEST(EngineLifecycle, StopReturnsPromptlyAndSilencesEverything)
{
    EngineHarness h;
    h.device->answerQueries({});
    ASSERT_TRUE(h.configureStandard());
    h.device->startAnnouncing(50);
    ASSERT_TRUE(h.waitForEvent(DeviceEvent::added, EngineHarness::jsonId));

    const double before = juce::Time::getMillisecondCounterHiRes();
    h.engine->stop();
    EXPECT_LT(juce::Time::getMillisecondCounterHiRes() - before, 2500.0) << "about a second at most";

    const auto events = h.recorder.entries.size();
    const auto queries = h.device->countOn(SimulatedDevice::veskPort);
    pumpFor(2500);
    EXPECT_EQ(h.recorder.entries.size(), events) << "nothing is delivered after stop";
    EXPECT_EQ(h.device->countOn(SimulatedDevice::veskPort), queries) << "no more queries";
    EXPECT_FALSE(h.engine->sendCommand(EngineHarness::jsonId, tmx::FinderRequest { true }));
}

TEST(EngineLifecycle, QueuedEventsNeverReachADestroyedEngine)
{
    EngineHarness h;
    CallbackListener other;
    h.engine->addListener(&other);
    ASSERT_TRUE(h.configureStandard());
    h.device->startAnnouncing(5);

    // Several events are in flight: taken in by the receive thread, not yet delivered.
    ASSERT_TRUE(waitForLogLine(h.logs, "New device!", 1));
    juce::Thread::sleep(50);
    h.engine.reset();

    pumpFor(500);
    EXPECT_TRUE(h.recorder.entries.empty());
    EXPECT_EQ(other.calls, 0);

    // A new engine at work meanwhile gets only its own events.
    h.engine = std::make_unique<tmx::DiscoveryEngine>();
    h.engine->addListener(&h.recorder);
    ASSERT_TRUE(h.configureStandard());
    ASSERT_TRUE(waitForLogLine(h.logs, "New device!", 2));
    h.engine.reset();
    auto fresh = std::make_unique<tmx::DiscoveryEngine>();
    fresh->addListener(&other);
    pumpFor(300);
    EXPECT_TRUE(h.recorder.entries.empty());
    EXPECT_EQ(other.calls, 0);
}

TEST(EngineLifecycle, QueuedEventsAreDroppedByStop)
{
    EngineHarness h;
    ASSERT_TRUE(h.configureStandard());
    h.device->announceOnce();
    ASSERT_TRUE(waitForLogLine(h.logs, "New device!", 1));

    // Refresh: the application empties its list and configures again; the old "added" must not come back.
    ASSERT_TRUE(h.configureStandard());
    pumpFor(500);
    EXPECT_TRUE(h.recorder.entries.empty());

    h.device->announceOnce();
    ASSERT_TRUE(h.waitForEvent(DeviceEvent::added, EngineHarness::jsonId));
    EXPECT_EQ(h.recorder.entries.size(), 1u);
}

TEST(EngineLifecycle, EventsArriveInOrderUnderLoad)
{
    EngineHarness h;
    ASSERT_TRUE(h.configureStandard());
    h.device->startAnnouncing(1);
    ASSERT_TRUE(pumpUntil([&] { return h.recorder.entries.size() >= 300; }, 15000));
    h.engine->stop();

    ASSERT_EQ(h.recorder.entries.front().event.event, DeviceEvent::added);
    for (size_t i = 1; i < h.recorder.entries.size(); ++i)
        ASSERT_EQ(h.recorder.entries[i].event.event, DeviceEvent::updated) << i;
}

TEST(EngineLifecycle, ListenersChangedDuringACall)
{
    EngineHarness h;
    CallbackListener first, second, removesItself, lateComer;
    // The walk goes from the last added to the first: removesItself, second, first, h.recorder.
    h.engine->addListener(&first);
    h.engine->addListener(&second);
    h.engine->addListener(&removesItself);
    h.engine->addListener(&second);  // already there: not added twice

    removesItself.onCall = [&] { h.engine->removeListener(&removesItself); };
    second.onCall = [&]
    {
        if (second.calls == 1)
            h.engine->addListener(&lateComer);
    };

    ASSERT_TRUE(h.configureStandard());
    h.device->announceOnce();
    ASSERT_TRUE(h.waitForEvent(DeviceEvent::added, EngineHarness::jsonId));
    EXPECT_EQ(removesItself.calls, 1);
    EXPECT_EQ(second.calls, 1);
    EXPECT_EQ(first.calls, 1);
    EXPECT_EQ(lateComer.calls, 0) << "added during the walk, not called in it";

    h.device->announceOnce();
    ASSERT_TRUE(h.waitForEvent(DeviceEvent::updated, EngineHarness::jsonId));
    EXPECT_EQ(removesItself.calls, 1);
    EXPECT_EQ(second.calls, 2);
    EXPECT_EQ(first.calls, 2);
    EXPECT_EQ(lateComer.calls, 1);

    h.engine->removeListener(&first);
    h.engine->removeListener(&second);
    h.engine->removeListener(&lateComer);
}

TEST(EngineLifecycle, EachChannelThatCannotStartSaysWhy)
{
    LogCapture logs;
    TestNetwork network;  // started before the network is up: loopback only

    // And someone holds the broadcast port without sharing it.
    const int holder = ::socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_port = htons(45454);
    ASSERT_EQ(::bind(holder, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);

    tmx::DiscoveryEngine engine;
    const auto endpoints = tmx::DiscoveryEndpoints::standard();
    EXPECT_FALSE(engine.configure(endpoints.multicast, endpoints.broadcast, endpoints.mdns));
    ::close(holder);

    EXPECT_EQ(logs.countStartingWith("Channel failed to start!"), 2) << logs.lines().joinIntoString("\n");
    EXPECT_TRUE(logs.contains("Channel failed to start! Channel: multicast"
                              " - Reason: no IPv4 interface besides loopback"));
    EXPECT_TRUE(logs.contains("Channel failed to start! Channel: broadcast"
                              " - Reason: cannot bind port 45454 (Address already in use)"));
}
