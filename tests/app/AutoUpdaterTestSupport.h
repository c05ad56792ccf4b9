#pragma once

#include <juce_events/juce_events.h>

#include <atomic>
#include <functional>
#include <memory>

namespace updater_test
{
/** Pumps the message loop until condition holds; false when the deadline passes first. */
inline bool waitUntil(const std::function<bool()>& condition, int timeoutMs = 30000)
{
    const auto deadline = juce::Time::getMillisecondCounter() + static_cast<juce::uint32>(timeoutMs);

    while (!condition())
    {
        if (juce::Time::getMillisecondCounter() > deadline)
            return false;

        juce::MessageManager::getInstance()->runDispatchLoopUntil(10);
    }

    return true;
}

/** Delivers every call posted so far: posted calls run in order, so a marker posted now runs after them. */
inline bool drainMessages()
{
    auto done = std::make_shared<std::atomic<bool>>(false);
    juce::MessageManager::callAsync([done] { *done = true; });
    return waitUntil([done] { return done->load(); });
}

/** A small shell script that writes its arguments into a file next to it, for standing in as an installer. */
inline juce::File writeRecordingInstaller(const juce::File& script, const juce::File& record)
{
    script.replaceWithText("#!/bin/sh\nprintf '%s\\n' \"$@\" > '" + record.getFullPathName() + ".part'\nmv '"
                           + record.getFullPathName() + ".part' '" + record.getFullPathName() + "'\n",
                           false, false, "\n");
    return script;
}
}  // namespace updater_test
