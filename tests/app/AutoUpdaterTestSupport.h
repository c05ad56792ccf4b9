#pragma once

#include "support/MessageLoopWait.h"

#include <juce_events/juce_events.h>

#include <atomic>
#include <functional>
#include <memory>

namespace updater_test
{
/** The shared message-loop wait, with room for a slow HTTP exchange. */
inline bool waitUntil(const std::function<bool()>& condition, int timeoutMs = 30000)
{
    return pumpUntil(condition, timeoutMs);
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
