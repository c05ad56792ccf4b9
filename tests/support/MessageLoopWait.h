#pragma once

#include <juce_core/juce_core.h>

#include <functional>

/** The millisecond counter every wait and timestamp of the tests reads. */
inline double nowMs() { return juce::Time::getMillisecondCounterHiRes(); }

/** Runs the JUCE message loop until the condition holds or the timeout passes; true when it held. The default
    is generous: a loaded two-core machine may take seconds, and only a failing wait ever runs that long. */
bool pumpUntil(const std::function<bool()>& condition, int timeoutMs = 30000);

/** Polls the condition without running the message loop, for waits that must not deliver what is posted. */
bool waitFor(const std::function<bool()>& condition, int timeoutMs = 30000);

/** Runs the JUCE message loop for this long (for checks that something does not happen). */
void pumpFor(int milliseconds);

/** Runs every call posted so far (text changes, async updates, deletions): a marker posted now runs after them. */
bool drain();
