#include "EngineRecorder.h"

namespace
{
/** A removal comes on the first tick more than 5 s after the last message. That came half-way between a query
    tick and the next, so this tick sends a query too: a query between expiry and removal shows a tick let pass. */
void expectRemovedOnTime(const EngineRecorder& events, const std::string& id, double lastMs,
                         const std::vector<SimulatedDevice::Datagram>& queries)
{
    const auto removals = events.of(id, Code::removed);
    ASSERT_EQ(removals.size(), 1u) << id;
    EXPECT_GT(removals[0].ms - lastMs, 5000.0) << id;
    for (const auto& query : queries)
        EXPECT_FALSE(query.ms > lastMs + 5000.0 && query.ms < removals[0].ms - 500.0)
            << id << " left " << removals[0].ms - lastMs << " ms after its last message";
}
} // namespace

TEST(EngineTiming, QueriesEveryTwoSecondsAndSilentDevicesLeaveOnTheFirstTickAfterFiveSeconds)
{
    // Two devices cabled straight to a laptop, no gateway anywhere: the query has to leave through both links.
    LogCapture logs;
    TestNetwork network;
    const auto a = network.connect(network.addHost(), false);
    const auto b = network.connect(network.addHost(), false);
    SimulatedDevice timed(*a.host, { a.remoteAddress }), other(*b.host, { b.remoteAddress });

    // On link a the JSON device, and a VESK device first described over JSON (TARN data, another address) that
    // then only answers queries, each time half a second later.
    wire::Vesk vesk;
    vesk.ip = a.remoteAddress.toStdString();
    vesk.finder = true;
    timed.answerQueries(wire::veskReply(vesk), 500);
    wire::Vesk broken;  // its name is no UTF-8: a broken pair, then a sequence cut off by the end
    broken.mac[5] = 0x5F;
    broken.name = "Vesk \xC3( \xE2\x82";
    other.answerQueries(wire::veskReply(broken));

    tmx::DiscoveryEngine engine;
    EngineRecorder events(engine);
    const double configuredMs = nowMs();
    ASSERT_TRUE(configureStandard(engine));
    // A VPN's tunnel cannot broadcast: queries pass it by. Made after the group joins, whose reports would enter it.
    network.local().run("ip tuntap add bdltun mode tun && ip addr add 10.231.99.1/24 dev bdltun"
                        " && ip link set bdltun up");
    ASSERT_TRUE(timed.announce(jsonDevice("10.9.9.9", "Sim vesk as JSON", "00:1A:2B:3C:4D:5E",
                                          R"("tarn":{"workspaceUUID":"w-1","isHost":true})")));
    // A name with raw line breaks (the reader keeps them), heard once: its lines must not forge another's.
    const std::string forgedId = "02:00:00:00:00:07-80";
    ASSERT_TRUE(timed.announce(jsonDevice("10.9.9.7", "Desk\r\nDevice timeout! Name: Forged ID: " + jsonId,
                                          "02:00:00:00:00:07")));

    // Both talk on past 5 s after their first message, the JSON device also half a second after each query.
    for (size_t n = 1; n <= 3; ++n)
    {
        ASSERT_TRUE(pumpUntil([&] { return timed.queries().size() >= n; }));
        const double due = timed.queries()[n - 1].ms + 500.0;
        pumpUntil([&] { return nowMs() >= due; });
        ASSERT_TRUE(timed.announce(jsonDevice(a.remoteAddress)));
    }
    ASSERT_TRUE(pumpUntil([&] { return timed.lastReplyMs() > timed.queries()[2].ms; }));
    timed.answerQueries({});
    ASSERT_TRUE(events.waitFor(jsonId, Code::removed, 1, 15000));
    ASSERT_TRUE(events.waitFor(veskId, Code::removed, 1, 15000));
    ASSERT_TRUE(events.waitFor(forgedId, Code::removed, 1, 15000));
    const auto queries = timed.queries();
    expectRemovedOnTime(events, jsonId, timed.lastAnnouncementMs(), queries);
    expectRemovedOnTime(events, veskId, timed.lastReplyMs(), queries);

    // Queries from the reply port through each link (see other's), on even ticks only: the first on the second.
    ASSERT_GE(queries.size(), 5u);
    EXPECT_GT(queries[0].ms - configuredMs, 1800.0);
    const double periodMs = (queries.back().ms - queries[0].ms) / static_cast<double>(queries.size() - 1);
    EXPECT_TRUE(periodMs > 1900.0 && periodMs < 2300.0) << periodMs;
    EXPECT_EQ(queries[0].senderPort, wire::veskReplyPort);
    // Nothing went into the tunnel, not even to be dropped there: its counters are all 0.
    auto tunnel = juce::File("/proc/thread-self/net/dev").loadFileAsString().fromFirstOccurrenceOf("bdltun:", 0, 0);
    tunnel = tunnel.upToFirstOccurrenceOf("\n", false, false);
    EXPECT_TRUE(tunnel.isNotEmpty() && tunnel.removeCharacters(" 0").isEmpty()) << tunnel;

    // Added once, then one update per message carrying the record as sent.
    EXPECT_EQ(events.of(jsonId, Code::added).size(), 1u);
    EXPECT_EQ(events.of(jsonId, Code::updated).size(), 2u);
    EXPECT_EQ(events.of(veskId, Code::added).size(), 1u);
    const auto veskUpdates = events.of(veskId, Code::updated);
    ASSERT_EQ(veskUpdates.size(), 3u);
    EXPECT_EQ(veskUpdates[0].event.info.name, "Sim vesk");

    // A removal carries the table's record: identity, channel and TARN data from the first message (a reply
    // has no TARN data to give), the address and Finder state from the latest.
    const auto gone = events.of(veskId, Code::removed)[0].event;
    EXPECT_EQ(gone.info.name, "Sim vesk as JSON");
    EXPECT_EQ(gone.info.protocolId, 2u);
    EXPECT_TRUE(gone.info.tarn.isTarn && gone.info.tarn.isHost && gone.info.tarn.workspaceUUID == "w-1");
    EXPECT_EQ(gone.info.ip, vesk.ip);
    EXPECT_TRUE(gone.info.finder);
    EXPECT_TRUE(gone.senderAddress.isEmpty() && gone.senderPort == 0);

    for (const auto& entry : events.entries)
        EXPECT_TRUE(entry.onMessageThread);
    EXPECT_EQ(logs.count("New device!"), 4);
    EXPECT_TRUE(logs.contains("New device! Name: Sim device - ID: 02:00:00:00:00:01-80"));
    EXPECT_TRUE(logs.contains("Device timeout! Name: Sim device ID: 02:00:00:00:00:01-80"));
    EXPECT_TRUE(logs.contains(
        juce::String::fromUTF8("New device! Name: Vesk \xEF\xBF\xBD( \xEF\xBF\xBD - ID: 00:1A:2B:3C:4D:5F-80")));
    const auto forged = juce::String::fromUTF8("Desk\xEF\xBF\xBD\xEF\xBF\xBD" "Device timeout! Name: Forged ID: ")
                        + juce::String(jsonId);
    EXPECT_TRUE(logs.contains("New device! Name: " + forged + " - ID: " + juce::String(forgedId)));
    EXPECT_TRUE(logs.contains("Device timeout! Name: " + forged + " ID: " + juce::String(forgedId)));
    for (const auto& line : logs.lines())
        EXPECT_FALSE(line.containsAnyOf("\r\n")) << line;
}
