#include "EventRecorder.h"

#include <juce_events/juce_events.h>

void EventRecorder::deviceChanged(const tmx::DeviceEvent& event)
{
    entries.push_back({ event, juce::Time::getMillisecondCounterHiRes(),
                        juce::MessageManager::getInstance()->isThisTheMessageThread() });
    if (onEvent)
        onEvent(event);
}

size_t EventRecorder::count(uint32_t code) const
{
    size_t n = 0;
    for (const auto& entry : entries)
        n += entry.event.event == code ? 1 : 0;
    return n;
}

size_t EventRecorder::count(uint32_t code, const std::string& id) const
{
    size_t n = 0;
    for (const auto& entry : entries)
        n += (entry.event.event == code && entry.event.info.id == id) ? 1 : 0;
    return n;
}

const EventRecorder::Entry* EventRecorder::first(uint32_t code, const std::string& id) const
{
    for (const auto& entry : entries)
        if (entry.event.event == code && entry.event.info.id == id)
            return &entry;
    return nullptr;
}

bool EventRecorder::allOnMessageThread() const
{
    for (const auto& entry : entries)
        if (! entry.onMessageThread)
            return false;
    return true;
}
