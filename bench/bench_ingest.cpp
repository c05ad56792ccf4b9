// Ingest path of the discovery engine: "deviceInfo" datagrams from 1,000 simulated devices through a real
// socket, the multicast transport's receive thread, parsing and the table update, to the listener on a running
// message loop. The process moves itself into a network namespace of its own before anything else, so nothing
// it sends can reach the machine's network; run it as root.

#include "tmx/DiscoveryEndpoints.h"
#include "tmx/DiscoveryEngine.h"

#include <benchmark/benchmark.h>
#include <juce_events/juce_events.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sched.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <thread>
#include <vector>

namespace
{
    constexpr int deviceCount = 1000;
    constexpr const char* localAddress = "10.77.0.1";
    constexpr size_t stampDigits = 20;

    int64_t nowNs()
    {
        return std::chrono::duration_cast<std::chrono::nanoseconds>(
                   std::chrono::steady_clock::now().time_since_epoch())
            .count();
    }

    /** One "deviceInfo" text per device; the firmware field carries the send time, written just before sending. */
    struct Payload
    {
        std::string text;
        size_t stampOffset = 0;
    };

    std::vector<Payload> makePayloads()
    {
        std::vector<Payload> payloads;
        for (int i = 0; i < deviceCount; ++i)
        {
            char mac[18];
            std::snprintf(mac, sizeof(mac), "02:00:00:00:%02X:%02X", (i >> 8) & 0xFF, i & 0xFF);
            const std::string ip = "10.78." + std::to_string(i / 250) + "." + std::to_string(1 + i % 250);
            Payload payload;
            payload.text = "{\"api\":\"TMXv1\",\"msg\":\"deviceInfo\",\"name\":\"Bench device " + std::to_string(i)
                           + "\",\"model\":\"BENCH-1\",\"fw\":\"";
            payload.stampOffset = payload.text.size();
            payload.text += std::string(stampDigits, '0') + "\",\"ip\":\"" + ip + "\",\"port\":80,\"web\":\"" + ip
                            + ":80\",\"finder\":false,\"finderStatus\":false,\"networks\":[{\"name\":\"eth0\",\"ip\":\""
                            + ip + "\",\"mac\":\"" + mac
                            + "\",\"dhcp\":true,\"mask\":\"255.255.0.0\",\"gw\":\"10.78.0.254\",\"dns1\":\"10.78.0.254\","
                              "\"dns2\":\"\"}]}";
            payloads.push_back(std::move(payload));
        }
        return payloads;
    }

    void stamp(Payload& payload, int64_t ns)
    {
        char digits[stampDigits + 1];
        std::snprintf(digits, sizeof(digits), "%020lld", static_cast<long long>(ns));
        std::memcpy(&payload.text[payload.stampOffset], digits, stampDigits);
    }

    /** Counts events and, while asked to, keeps the delay from each datagram's send time to its listener call.
        Called on the message thread; read by the benchmark thread. */
    struct Listener : tmx::DiscoveryEngine::Listener
    {
        void deviceChanged(const tmx::DeviceEvent& event) override
        {
            const auto now = nowNs();
            if (recordDelays && event.info.fw.size() == stampDigits)
            {
                std::lock_guard<std::mutex> guard(lock);
                delaysNs.push_back(now - std::strtoll(event.info.fw.c_str(), nullptr, 10));
            }
            events.fetch_add(1, std::memory_order_release);
        }

        std::atomic<int64_t> events { 0 };
        std::atomic<bool> recordDelays { false };
        std::mutex lock;
        std::vector<int64_t> delaysNs;
    };

    /** Log lines ("New device!" for each of the 1,000 devices) are not part of what is measured. */
    struct SilentLogger : juce::Logger
    {
        void logMessage(const juce::String&) override {}
    };

    /** Datagrams the kernel dropped at the receiving socket (port 1235) so far: losses before our thread saw them. */
    long socketDrops()
    {
        long drops = 0;
        if (FILE* table = std::fopen("/proc/self/net/udp", "r"))
        {
            char line[512];
            while (std::fgets(line, sizeof(line), table) != nullptr)
            {
                unsigned localPort = 0;
                char rest[400];
                if (std::sscanf(line, " %*d: %*8x:%4x %399[^\n]", &localPort, rest) == 2 && localPort == 1235)
                {
                    // The drop count is the last field of the line (which ends in blanks).
                    size_t end = std::strlen(line);
                    while (end > 0 && std::isspace(static_cast<unsigned char>(line[end - 1])))
                        --end;
                    size_t begin = end;
                    while (begin > 0 && std::isdigit(static_cast<unsigned char>(line[begin - 1])))
                        --begin;
                    drops += std::strtol(line + begin, nullptr, 10);
                }
            }
            std::fclose(table);
        }
        return drops;
    }

    struct Sender
    {
        Sender()
        {
            fd = ::socket(AF_INET, SOCK_DGRAM, 0);
            in_addr via {};
            ::inet_pton(AF_INET, localAddress, &via);
            ::setsockopt(fd, IPPROTO_IP, IP_MULTICAST_IF, &via, sizeof(via));
            const int loop = 1;
            ::setsockopt(fd, IPPROTO_IP, IP_MULTICAST_LOOP, &loop, sizeof(loop));
            group.sin_family = AF_INET;
            group.sin_port = htons(1235);
            ::inet_pton(AF_INET, "239.12.34.0", &group.sin_addr);
        }

        ~Sender() { ::close(fd); }

        bool send(Payload& payload)
        {
            stamp(payload, nowNs());
            return ::sendto(fd, payload.text.data(), payload.text.size(), 0, reinterpret_cast<sockaddr*>(&group),
                            sizeof(group))
                   > 0;
        }

        int fd = -1;
        sockaddr_in group {};
    };

    /** The engine lives on the message thread, which runs the framework's real dispatch loop (it sleeps in
        poll until a message comes); the benchmarks run on a thread of their own and send from it. */
    struct Bench
    {
        SilentLogger logger;
        std::vector<Payload> payloads = makePayloads();
        Listener listener;
        tmx::DiscoveryEngine engine;

        Bench()
        {
            juce::Logger::setCurrentLogger(&logger);
            engine.addListener(&listener);
            auto endpoints = tmx::DiscoveryEndpoints::standard();
            endpoints.broadcast = {};  // only the channel under test
            if (! engine.configure(endpoints.multicast, endpoints.broadcast, endpoints.mdns))
            {
                std::fprintf(stderr, "the multicast channel did not start\n");
                std::exit(1);
            }
        }

        ~Bench()
        {
            engine.stop();
            juce::Logger::setCurrentLogger(nullptr);
        }

        /** Sends count datagrams, round robin over the devices, evenly spaced at the rate; returns how many
            reached the listener. */
        int64_t sendPaced(int64_t count, double perSecond)
        {
            const auto before = listener.events.load(std::memory_order_acquire);
            Sender socket;
            const auto start = nowNs();
            const double spacingNs = 1e9 / perSecond;
            for (int64_t n = 0; n < count; ++n)
            {
                const auto due = start + static_cast<int64_t>(static_cast<double>(n) * spacingNs);
                for (auto now = nowNs(); now < due; now = nowNs())
                    if (due - now > 200000)
                        std::this_thread::sleep_for(std::chrono::microseconds(100));
                socket.send(payloads[static_cast<size_t>(n % deviceCount)]);
            }

            // Whatever is still on its way arrives within a moment; what does not was lost.
            const auto settle = nowNs() + 500000000;
            while (listener.events.load(std::memory_order_acquire) - before < count && nowNs() < settle)
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            return listener.events.load(std::memory_order_acquire) - before;
        }
    };

    Bench* bench = nullptr;

    void BM_IngestSustained(benchmark::State& state)
    {
        const double rate = static_cast<double>(state.range(0));
        const auto count = static_cast<int64_t>(rate * 2.0);  // two seconds at the rate
        int64_t received = 0;
        const long dropsBefore = socketDrops();
        for (auto _ : state)
            received = bench->sendPaced(count, rate);
        state.counters["socket_drops"] = static_cast<double>(socketDrops() - dropsBefore);
        state.counters["offered_per_s"] = rate;
        state.counters["received"] = static_cast<double>(received);
        state.counters["lost"] = static_cast<double>(count - received);
    }

    void BM_IngestDelayAtOnePerSecondPerDevice(benchmark::State& state)
    {
        const int seconds = 5;
        for (auto _ : state)
        {
            {
                std::lock_guard<std::mutex> guard(bench->listener.lock);
                bench->listener.delaysNs.clear();
            }
            bench->listener.recordDelays = true;
            bench->sendPaced(static_cast<int64_t>(deviceCount) * seconds, deviceCount);
            bench->listener.recordDelays = false;
        }

        std::vector<int64_t> delays;
        {
            std::lock_guard<std::mutex> guard(bench->listener.lock);
            delays = bench->listener.delaysNs;
        }
        std::sort(delays.begin(), delays.end());
        if (delays.empty())
            return;
        auto at = [&](double q) { return static_cast<double>(delays[static_cast<size_t>(q * (delays.size() - 1))]) / 1e3; };
        state.counters["samples"] = static_cast<double>(delays.size());
        state.counters["median_us"] = at(0.5);
        state.counters["p99_us"] = at(0.99);
        state.counters["max_us"] = at(1.0);
    }

    BENCHMARK(BM_IngestSustained)->Arg(50000)->Arg(100000)->Arg(150000)->Arg(200000)->Arg(300000)
        ->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();
    BENCHMARK(BM_IngestDelayAtOnePerSecondPerDevice)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

    bool makeNetwork()
    {
        if (::unshare(CLONE_NEWNET) != 0)
        {
            std::perror("unshare(CLONE_NEWNET) (run as root)");
            return false;
        }
        // Both ends of a veth pair stay here: the group's datagrams loop back to our own socket.
        return std::system("ip link set lo up && ip link add bd0 type veth peer name bd1 && "
                           "ip addr add 10.77.0.1/24 dev bd0 && ip link set bd0 up && ip link set bd1 up")
               == 0;
    }
}

int main(int argc, char** argv)
{
    // Before any thread exists, so every thread of the process lives in the private namespace.
    if (! makeNetwork())
        return 1;

    benchmark::Initialize(&argc, argv);
    juce::ScopedJuceInitialiser_GUI juce;
    auto* messageManager = juce::MessageManager::getInstance();
    {
        Bench setUp;
        bench = &setUp;
        std::thread runner([messageManager]
        {
            // Every device once, so the runs measure the steady state of known devices.
            bench->sendPaced(deviceCount, 20000.0);
            benchmark::RunSpecifiedBenchmarks();
            messageManager->stopDispatchLoop();
        });
        messageManager->runDispatchLoop();
        runner.join();
        bench = nullptr;
    }
    benchmark::Shutdown();
    return 0;
}
