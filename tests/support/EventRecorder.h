#pragma once

#include "tmx/DiscoveryEngine.h"

#include <functional>
#include <vector>

/** An engine listener that keeps every event with the moment and thread it arrived on. */
class EventRecorder : public tmx::DiscoveryEngine::Listener
{
public:
    struct Entry
    {
        tmx::DeviceEvent event;
        double receivedMs = 0;  // juce::Time::getMillisecondCounterHiRes
        bool onMessageThread = false;
    };

    void deviceChanged(const tmx::DeviceEvent& event) override;

    /** Runs inside each call, after the event was recorded. */
    std::function<void(const tmx::DeviceEvent&)> onEvent;

    std::vector<Entry> entries;  // message thread only

    size_t count(uint32_t code) const;
    size_t count(uint32_t code, const std::string& id) const;
    const Entry* first(uint32_t code, const std::string& id) const;
    bool allOnMessageThread() const;
};
