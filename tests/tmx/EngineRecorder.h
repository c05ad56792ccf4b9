#pragma once

#include "support/LogCapture.h"
#include "support/MessageLoopWait.h"
#include "support/Printers.h"
#include "support/SimulatedDevice.h"
#include "support/TestNetwork.h"
#include "support/WireTexts.h"
#include "tmx/DiscoveryEndpoints.h"
#include "tmx/DiscoveryEngine.h"

#include <gtest/gtest.h>

// The device of jsonDevice()'s default MAC, and the one of wire::Vesk's.
inline const std::string jsonId = "02:00:00:00:00:01-80", veskId = "00:1A:2B:3C:4D:5E-80";
using Code = tmx::DeviceEvent::Code;

/** Every event an engine delivers, when, and whether on the message thread. */
struct EngineRecorder : tmx::DiscoveryEngine::Listener
{
    explicit EngineRecorder(tmx::DiscoveryEngine& engine) { engine.addListener(this); }

    struct Entry { tmx::DeviceEvent event; double ms; bool onMessageThread; };
    std::vector<Entry> entries;

    void deviceChanged(const tmx::DeviceEvent& event) override
    {
        entries.push_back({ event, nowMs(), juce::MessageManager::getInstance()->isThisTheMessageThread() });
    }

    std::vector<Entry> of(const std::string& id, uint32_t code) const
    {
        std::vector<Entry> found;
        std::copy_if(entries.begin(), entries.end(), std::back_inserter(found),
                     [&](const Entry& entry) { return entry.event.info.id == id && entry.event.event == code; });
        return found;
    }

    bool waitFor(const std::string& id, uint32_t code, size_t count = 1, int timeoutMs = 10000)
    {
        return pumpUntil([&] { return of(id, code).size() >= count; }, timeoutMs);
    }
};

inline bool configureStandard(tmx::DiscoveryEngine& engine)
{
    const auto endpoints = tmx::DiscoveryEndpoints::standard();
    return engine.configure(endpoints.multicast, endpoints.broadcast, endpoints.mdns);
}

/** A JSON device with one interface at this address. */
inline std::string jsonDevice(const juce::String& ip, const std::string& name = "Sim device",
                              const std::string& mac = "02:00:00:00:00:01", const std::string& extra = "")
{
    return wire::deviceInfo(name, ip.toStdString(), { wire::jsonNet(ip.toStdString(), mac) }, extra);
}
