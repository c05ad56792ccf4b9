#include "MessageLoopWait.h"

#include <juce_events/juce_events.h>

bool pumpUntil(const std::function<bool()>& condition, int timeoutMs)
{
    const auto deadline = juce::Time::getMillisecondCounterHiRes() + timeoutMs;
    for (;;)
    {
        if (condition())
            return true;
        if (juce::Time::getMillisecondCounterHiRes() >= deadline)
            return false;
        juce::MessageManager::getInstance()->runDispatchLoopUntil(5);
    }
}

void pumpFor(int milliseconds)
{
    const auto deadline = juce::Time::getMillisecondCounterHiRes() + milliseconds;
    while (juce::Time::getMillisecondCounterHiRes() < deadline)
        juce::MessageManager::getInstance()->runDispatchLoopUntil(5);
}
