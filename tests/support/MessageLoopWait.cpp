#include "MessageLoopWait.h"

#include <juce_events/juce_events.h>

bool pumpUntil(const std::function<bool()>& condition, int timeoutMs)
{
    const auto deadline = nowMs() + timeoutMs;
    for (; ! condition(); juce::MessageManager::getInstance()->runDispatchLoopUntil(5))
        if (nowMs() >= deadline)
            return false;
    return true;
}

bool waitFor(const std::function<bool()>& condition, int timeoutMs)
{
    const auto deadline = nowMs() + timeoutMs;
    for (; ! condition(); juce::Thread::sleep(5))
        if (nowMs() >= deadline)
            return false;
    return true;
}

void pumpFor(int milliseconds)
{
    pumpUntil([] { return false; }, milliseconds);
}

bool drain()
{
    auto done = std::make_shared<bool>(false);
    juce::MessageManager::callAsync([done] { *done = true; });
    return pumpUntil([done] { return *done; });
}
