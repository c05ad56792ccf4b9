#include "EngineRecorder.h"

#include <algorithm>
#include <random>
#include <thread>

TEST(EngineFlood, GarbageNeitherCrashesNorHidesAValidDeviceAndEventsKeepTheirOrder)
{
    TestNetwork network;
    const auto link = network.addConnectedHost();
    SimulatedDevice device(*link.host, { link.remoteAddress });
    tmx::DiscoveryEngine engine;
    EngineRecorder events(engine);
    ASSERT_TRUE(configureStandard(engine));

    // Near misses of both formats: not the protocol's own, not a device description, cut, or broken.
    const auto valid = jsonDevice(link.remoteAddress, "x", "02:00:00:00:00:02");
    const auto reply = wire::veskReply(wire::Vesk { "XVESK-8", "x", { 2, 0, 0, 0, 0, 3 } });
    std::vector<std::string> garbage { R"({"api":"TMX 1.2","msg":"action","mac":"02:00:00:00:00:04","port":80})",
                                       R"({"api":"XYZ","msg":"deviceInfo","name":"x","networks":[]})", "",
                                       std::string(5000, '['), wire::text({ reply.begin(), reply.begin() + 213 }) };
    for (size_t at = valid.find("\":\""); at != std::string::npos; at = valid.find("\":\"", at + 1))
        if (valid[at + 3] != '"')  // cut inside a string value (the reader forgives other cuts)
            garbage.push_back(valid.substr(0, at + 4));
    for (size_t i = 0; i < 20; ++i)
    {
        auto frame = reply;
        frame[i] ^= 0x40;
        garbage.push_back(wire::text(frame));
    }

    // The real device numbers its messages among the garbage. The message loop stands still meanwhile, so its
    // events pile up and must come out in the order they went in.
    std::thread flood([&]
    {
        std::mt19937 random(12345);
        std::string noise(2100, ' ');
        for (int n = 0; n < 30000; ++n)
        {
            if (n % 100 == 0)
                device.announce(jsonDevice(link.remoteAddress, std::to_string(n)));
            if (n % 3 == 0)
                std::generate(noise.begin(), noise.end(), [&] { return static_cast<char>(random()); });
            const auto bytes = n % 3 == 0 ? noise.substr(0, random() % 2100) : garbage[random() % garbage.size()];
            device.sendRaw(n % 2 == 0 ? wire::group : link.localAddress,
                           n % 2 == 0 ? wire::announcePort : wire::veskReplyPort, bytes);
        }
    });
    flood.join();
    ASSERT_TRUE(device.announce(jsonDevice(link.remoteAddress, "30000")));
    ASSERT_TRUE(pumpUntil([&]
                          { return ! events.entries.empty() && events.entries.back().event.info.name == "30000"; }));

    // One device, added once, then only updates in the order they came, all on the message thread.
    EXPECT_GT(events.entries.size(), 10u);
    for (size_t i = 0; i < events.entries.size(); ++i)
    {
        const auto& entry = events.entries[i];
        EXPECT_EQ(entry.event.info.id, jsonId) << i;
        EXPECT_EQ(entry.event.event, i == 0 ? Code::added : Code::updated) << i;
        if (i > 0)
            EXPECT_LT(std::stoi(events.entries[i - 1].event.info.name), std::stoi(entry.event.info.name)) << i;
        EXPECT_TRUE(entry.onMessageThread);
    }
    EXPECT_TRUE(engine.sendCommand(jsonId, tmx::FinderRequest { true }));
}
