#pragma once

#include "support/NetNamespace.h"

#include <juce_core/juce_core.h>

#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

/**
    Many simulated devices behind one host namespace, for the soak: JSON devices announcing on the
    multicast group once a second, VESK devices answering every broadcast query, a steady stream of
    garbage datagrams at both of the program's ports, and churn: the devices fall into ten groups,
    and every step one more group falls silent long enough to expire while the group silenced two
    steps before comes back.
*/
class DeviceSwarm
{
public:
    struct Settings
    {
        int jsonDevices = 700;
        int veskDevices = 300;
        int churnStepMs = 3500;      // every step, 10 % leave and 10 % return
        int garbagePerSecond = 200;
        juce::String ownAddress;     // the host's address on the link
        juce::String programAddress; // the program's address on the link
    };

    DeviceSwarm(NetNamespace& host, Settings settings);
    ~DeviceSwarm();

    bool isRunning() const { return running; }
    int deviceCount() const { return settings.jsonDevices + settings.veskDevices; }

    /** Churn on (the default) or everyone steadily alive / everyone silent. */
    enum class Mode { churn, allAlive, allSilent };
    void setMode(Mode mode);

    /** Devices heard (last message sent) within the given time, on the millisecond counter. */
    int heardSince(double sinceMs) const;
    int64_t datagramsSent() const { return sent; }
    int64_t garbageSent() const { return garbage; }

private:
    void run();
    bool isSilent(int device, double now) const;
    void sendGarbage(juce::Random& random);

    NetNamespace& host;
    Settings settings;
    std::atomic<bool> running { false }, shouldExit { false };
    std::atomic<int> mode { 0 };
    std::atomic<int64_t> sent { 0 }, garbage { 0 };
    double startMs = 0;
    int announceSocket = -1, veskSocket = -1;

    mutable std::mutex lock;
    std::vector<double> lastSent;  // per device
    std::vector<std::string> jsonTexts;
    std::vector<std::vector<uint8_t>> veskReplies;

    std::thread thread;
};
