#include "EngineRecorder.h"

#include <atomic>
#include <random>
#include <thread>

TEST(EngineFlood, GarbageNeitherCrashesNorHidesAValidDeviceAndEventsKeepTheirOrder)
{
    TestNetwork network;
    const auto link = network.addConnectedHost();
    SimulatedDevice device(*link.host, { link.remoteAddress });
    tmx::DiscoveryEngine engine;
    EngineRecorder events;
    engine.addListener(&events);
    ASSERT_TRUE(configureStandard(engine));

    // Near misses of both formats: not the protocol's own, not a device description, cut, or broken.
    const auto valid = jsonDevice(link.remoteAddress, "Sim device", "02:00:00:00:00:02");
    const auto reply = wire::veskReply(wire::Vesk { "XVESK-8", "Other", { 2, 0, 0, 0, 0, 3 } });
    std::vector<std::string> garbage { R"({"api":"TMX 1.2","msg":"action","mac":"02:00:00:00:00:04","port":80})",
                                       R"({"api":"XYZ","msg":"deviceInfo","name":"x","networks":[]})",
                                       "", std::string(5000, '['), std::string(3000, 'x'),
                                       bytesOf({ reply.begin(), reply.begin() + 213 }) };
    for (size_t at = valid.find("\":\""); at != std::string::npos; at = valid.find("\":\"", at + 1))
        if (valid[at + 3] != '"')  // cut inside a string value (the reader forgives other cuts)
            garbage.push_back(valid.substr(0, at + 4));
    for (size_t i = 0; i < 20; ++i)
    {
        auto frame = reply;
        frame[i] ^= 0x40;
        garbage.push_back(bytesOf(frame));
    }

    std::atomic<bool> done { false };
    std::thread flood([&]
    {
        std::mt19937 random(12345);
        std::string noise(2100, ' ');
        for (int n = 0; n < 30000; ++n)
        {
            if (n % 3 == 0)
                for (auto& c : noise)
                    c = static_cast<char>(random());
            const auto& bytes = n % 3 == 0 ? noise.substr(0, random() % noise.size()) : garbage[random() % garbage.size()];
            const bool toGroup = n % 2 == 0;
            device.sendRaw(toGroup ? wire::group : link.localAddress, toGroup ? wire::announcePort : wire::veskReplyPort,
                           bytes);
        }
        done = true;
    });
    // The real device keeps announcing through it all.
    device.announceEvery(20, jsonDevice(link.remoteAddress));
    const bool finished = pumpUntil([&] { return done.load(); }, 120000);
    flood.join();
    ASSERT_TRUE(finished);
    ASSERT_TRUE(events.waitFor(jsonId, Code::updated, 20));
    device.announceEvery(0, {});

    // One device, added once, then only updates in the order they came, all on the message thread.
    ASSERT_FALSE(events.entries.empty());
    EXPECT_EQ(events.entries[0].event.event, Code::added);
    for (size_t i = 0; i < events.entries.size(); ++i)
    {
        EXPECT_EQ(events.entries[i].event.info.id, jsonId) << i;
        EXPECT_EQ(events.entries[i].event.event, i == 0 ? Code::added : Code::updated) << i;
        EXPECT_TRUE(events.entries[i].onMessageThread);
    }
    EXPECT_TRUE(engine.sendCommand(jsonId, tmx::FinderRequest { true }));
}
