#pragma once

#include <juce_core/juce_core.h>

/** Receives every log line; called from any thread, with the logger's lock held. */
class ILogSink
{
public:
    virtual ~ILogSink() = default;
    virtual void logLine(const juce::String& line) = 0;
};
