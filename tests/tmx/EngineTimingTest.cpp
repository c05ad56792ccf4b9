#include "EngineRecorder.h"

namespace
{
double nowMs()
{
    return juce::Time::getMillisecondCounterHiRes();
}

/** A removal must come on the engine's first tick more than 5 s after the last message. The queries show every
    second tick; the last message came half a second after one, so the removal tick is itself a query tick, and a
    query between the expiry and the removal means the engine let a tick pass. */
void expectRemovedOnTime(const EngineRecorder& events, const std::string& id, double lastMessageMs,
                         const std::vector<SimulatedDevice::Datagram>& queries)
{
    const auto removals = events.of(id, Code::removed);
    ASSERT_EQ(removals.size(), 1u) << id;
    const double removedMs = removals[0].ms;
    EXPECT_GT(removedMs - lastMessageMs, 5000.0) << id << " left before 5 s of silence";
    for (const auto& query : queries)
        EXPECT_FALSE(query.ms > lastMessageMs + 5000.0 && query.ms < removedMs - 500.0)
            << id << " stayed past a tick after its expiry: removed " << removedMs - lastMessageMs << " ms after";
}
} // namespace

TEST(EngineTiming, QueriesEveryTwoSecondsAndSilentDevicesLeaveOnTheFirstTickAfterFiveSeconds)
{
    // A laptop cabled straight to two devices, no gateway anywhere: the query has to leave through both links.
    LogCapture logs;
    TestNetwork network;
    auto& hostA = network.addHost();
    auto& hostB = network.addHost();
    const auto a = network.connect(hostA, false);
    const auto b = network.connect(hostB, false);
    SimulatedDevice timed(hostA, { a.remoteAddress });
    SimulatedDevice other(hostB, { b.remoteAddress });

    // On link a: the JSON device, and a VESK device first described over JSON (with TARN data and another
    // address) that later only answers queries, half a second after each: half-way between two ticks.
    wire::Vesk vesk;
    vesk.ip = a.remoteAddress.toStdString();
    vesk.finder = true;
    timed.answerQueries(wire::veskReply(vesk), 500);
    wire::Vesk broken;  // its name is not UTF-8: a broken pair, then a sequence cut off by the end
    broken.mac[5] = 0x5F;
    broken.name = "Vesk \xC3( \xE2\x82";
    other.answerQueries(wire::veskReply(broken));

    tmx::DiscoveryEngine engine;
    EngineRecorder events;
    engine.addListener(&events);
    const double configuredMs = nowMs();
    ASSERT_TRUE(configureStandard(engine));
    ASSERT_TRUE(timed.announce(jsonDevice("10.9.9.9", "Sim vesk as JSON", "00:1A:2B:3C:4D:5E",
                                          R"("tarn":{"workspaceUUID":"w-1","isHost":true})")));

    // Both keep talking past 5 s from their first message, the JSON device half a second after each query too.
    for (size_t n = 1; n <= 3; ++n)
    {
        ASSERT_TRUE(pumpUntil([&] { return timed.queries().size() >= n; }));
        const double due = timed.queries()[n - 1].ms + 500.0;
        pumpUntil([&] { return nowMs() >= due; });
        ASSERT_TRUE(timed.announce(jsonDevice(a.remoteAddress)));
    }
    const double thirdQueryMs = timed.queries()[2].ms;
    ASSERT_TRUE(pumpUntil([&] { return timed.lastReplyMs() > thirdQueryMs; }));
    timed.answerQueries({});
    const double lastJsonMs = timed.lastAnnouncementMs(), lastVeskMs = timed.lastReplyMs();

    ASSERT_TRUE(events.waitFor(jsonId, Code::removed, 1, 15000));
    ASSERT_TRUE(events.waitFor(veskId, Code::removed, 1, 15000));
    const auto queries = timed.queries();
    expectRemovedOnTime(events, jsonId, lastJsonMs, queries);
    expectRemovedOnTime(events, veskId, lastVeskMs, queries);

    // The query: from the reply port through each link, on even ticks only, the first on the second tick.
    ASSERT_GE(queries.size(), 5u);
    EXPECT_GT(queries[0].ms - configuredMs, 1800.0);
    const double periodMs = (queries.back().ms - queries[0].ms) / static_cast<double>(queries.size() - 1);
    EXPECT_GT(periodMs, 1900.0);
    EXPECT_LT(periodMs, 2300.0);
    for (const auto& query : queries)
    {
        EXPECT_EQ(query.destination, "255.255.255.255");
        EXPECT_EQ(query.sender, a.localAddress);
        EXPECT_EQ(query.senderPort, wire::veskReplyPort);
    }
    ASSERT_FALSE(other.queries().empty());
    EXPECT_EQ(other.queries()[0].sender, b.localAddress);

    // Added once, then one update per message, each carrying the record as sent.
    EXPECT_EQ(events.of(jsonId, Code::added).size(), 1u);
    EXPECT_EQ(events.of(jsonId, Code::updated).size(), 2u);
    ASSERT_EQ(events.of(veskId, Code::added).size(), 1u);
    const auto veskUpdates = events.of(veskId, Code::updated);
    ASSERT_EQ(veskUpdates.size(), 3u);
    EXPECT_EQ(veskUpdates[0].event.info.name, "Sim vesk");
    EXPECT_EQ(veskUpdates[0].event.info.protocolId, 3u);
    EXPECT_EQ(veskUpdates[0].event.senderAddress, a.remoteAddress);

    // A removal carries the table's record: the first message's identity, channel and TARN data (a broadcast
    // reply has none to give), and the latest address and Finder state.
    const auto gone = events.of(veskId, Code::removed)[0].event;
    EXPECT_EQ(gone.info.name, "Sim vesk as JSON");
    EXPECT_EQ(gone.info.protocolId, 2u);
    EXPECT_TRUE(gone.info.tarn.isTarn && gone.info.tarn.isHost);
    EXPECT_EQ(gone.info.tarn.workspaceUUID, "w-1");
    EXPECT_EQ(gone.info.ip, vesk.ip);
    EXPECT_TRUE(gone.info.finder);
    EXPECT_TRUE(gone.senderAddress.isEmpty());
    EXPECT_EQ(gone.senderPort, 0);

    for (const auto& entry : events.entries)
        EXPECT_TRUE(entry.onMessageThread);
    EXPECT_EQ(logs.count("New device!"), 3);
    EXPECT_TRUE(logs.contains("New device! Name: Sim device - ID: 02:00:00:00:00:01-80"));
    EXPECT_TRUE(logs.contains("Device timeout! Name: Sim device ID: 02:00:00:00:00:01-80"));
    EXPECT_TRUE(logs.contains(
        juce::String::fromUTF8("New device! Name: Vesk \xEF\xBF\xBD( \xEF\xBF\xBD - ID: 00:1A:2B:3C:4D:5F-80")));
}
