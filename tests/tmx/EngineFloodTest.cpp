#include "EngineTestSupport.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <random>
#include <set>
#include <thread>

using tmx::DeviceEvent;

namespace
{
    long residentBytes()
    {
        long pages = 0, resident = 0;
        if (FILE* statm = std::fopen("/proc/self/statm", "r"))
        {
            if (std::fscanf(statm, "%ld %ld", &pages, &resident) != 2)
                resident = 0;
            std::fclose(statm);
        }
        return resident * ::sysconf(_SC_PAGESIZE);
    }

    /** Datagrams that look like the wire formats but are not valid device descriptions. */
    std::vector<std::string> nearMisses(const std::string& validJson, const std::vector<uint8_t>& validReply)
    {
        std::vector<std::string> list;
        auto replace = [&](const std::string& from, const std::string& to)
        {
            auto text = validJson;
            text.replace(text.find(from), from.size(), to);
            list.push_back(text);
        };
        replace("\"TMXv1\"", "\"TMY1\"");
        replace("\"TMXv1\"", "\"TM\"");
        replace("\"TMXv1\"", "17");
        replace("\"TMXv1\"", "[\"TMX\"]");
        replace("\"deviceInfo\"", "\"deviceinfo\"");
        replace("\"deviceInfo\"", "{\"deviceInfo\":1}");
        replace("\"deviceInfo\"", "\"action\",\"params\":7");
        replace("\"networks\":[", "\"x\":" + std::string(600, '[') + "1}" + std::string(600, ']') + ",\"networks\":[");
        replace("\"port\":80", "\"port\":1e999999");
        replace("\"port\":80", "\"port\":-");
        list.push_back(std::string(5000, '['));
        list.push_back("{\"api\":\"TMX\",\"msg\":\"deviceInfo\",\"name\":\"" + std::string(1900, 'x'));
        list.push_back(std::string("{\"api\":\"TMX\",\"msg\":\"deviceInfo\"\0}", 33));
        // Cut inside a string value (the reader forgives other cuts, so those would be devices).
        for (auto at = validJson.find("\":\""); at != std::string::npos; at = validJson.find("\":\"", at + 1))
            list.push_back(validJson.substr(0, at + 4));

        for (size_t i = 0; i < 20; ++i)
        {
            auto frame = validReply;
            frame[i] ^= 0x40;
            list.emplace_back(frame.begin(), frame.end());
        }
        list.emplace_back(validReply.begin(), validReply.begin() + 213);
        list.emplace_back(validReply.begin(), validReply.begin() + 20);
        return list;
    }
}

TEST(EngineFlood, GarbageNeitherCrashesNorGrowsNorHidesAValidDevice)
{
    EngineHarness h;
    ASSERT_TRUE(h.configureStandard());

    const auto misses = nearMisses(h.jsonIdentity().toJson(),
                                   SimulatedDevice::VeskIdentity().toReply(h.link.remoteAddress.toStdString()));
    const auto engineAddress = h.link.localAddress;
    std::atomic<bool> floodDone { false };
    std::atomic<long> sent { 0 };
    std::atomic<long> residentAfterWarmUp { 0 };

    std::thread flood([&]
    {
        if (! h.link.host->enter())
            return;
        const int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
        in_addr via {};
        ::inet_pton(AF_INET, h.link.remoteAddress.toRawUTF8(), &via);
        ::setsockopt(fd, IPPROTO_IP, IP_MULTICAST_IF, &via, sizeof(via));

        sockaddr_in group {}, unicast {};
        group.sin_family = unicast.sin_family = AF_INET;
        group.sin_port = htons(1235);
        ::inet_pton(AF_INET, "239.12.34.0", &group.sin_addr);
        unicast.sin_port = htons(45454);
        ::inet_pton(AF_INET, engineAddress.toRawUTF8(), &unicast.sin_addr);

        std::mt19937 random(12345);
        std::vector<uint8_t> noise(2100);
        const double start = juce::Time::getMillisecondCounterHiRes();
        for (long n = 0;; ++n)
        {
            const double elapsed = juce::Time::getMillisecondCounterHiRes() - start;
            if (elapsed > 4000)
                break;
            if (elapsed > 1000 && residentAfterWarmUp == 0)
                residentAfterWarmUp = residentBytes();

            const auto* target = reinterpret_cast<const sockaddr*>((n & 1) != 0 ? &group : &unicast);
            if (n % 3 == 0)
            {
                const size_t size = 1 + random() % noise.size();
                for (size_t i = 0; i < size; ++i)
                    noise[i] = static_cast<uint8_t>(random());
                ::sendto(fd, noise.data(), size, 0, target, sizeof(sockaddr_in));
            }
            else
            {
                const auto& text = misses[random() % misses.size()];
                ::sendto(fd, text.data(), text.size(), 0, target, sizeof(sockaddr_in));
            }
            ++sent;
            // About 25,000 datagrams a second, in bursts.
            if (n % 250 == 249)
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        ::close(fd);
        floodDone = true;
    });

    // A real device keeps announcing during the flood.
    h.device->startAnnouncing(200);
    const bool finished = pumpUntil([&] { return floodDone.load(); }, 60000);
    flood.join();
    ASSERT_TRUE(finished);
    EXPECT_GT(sent.load(), 20000);

    ASSERT_TRUE(h.waitForEvent(DeviceEvent::added, EngineHarness::jsonId));
    std::set<std::string> ids;
    for (const auto& entry : h.recorder.entries)
        ids.insert(entry.event.info.id);
    EXPECT_EQ(ids, std::set<std::string> { EngineHarness::jsonId }) << "no garbage became a device";
    EXPECT_EQ(h.recorder.count(DeviceEvent::added), 1u);
    EXPECT_EQ(h.recorder.count(DeviceEvent::removed), 0u) << "the valid device stayed in view";
    EXPECT_TRUE(h.engine->sendCommand(EngineHarness::jsonId, tmx::FinderRequest { true }));

#if ! defined(BRELM_SANITIZED)
    // Sanitizers keep freed memory in quarantine, so only a plain build can judge growth.
    const long growth = residentBytes() - residentAfterWarmUp.load();
    EXPECT_LT(growth, 16L * 1024 * 1024) << "resident memory grew by " << growth << " bytes during the flood";
#endif
}
