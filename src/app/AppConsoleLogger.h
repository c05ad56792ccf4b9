#pragma once

#include "app/ILogSink.h"

#include <juce_core/juce_core.h>

#include <mutex>

/** The program's logger: every line goes to standard error and, from any thread, to the attached sink. */
class AppConsoleLogger : public juce::Logger
{
public:
    AppConsoleLogger() = default;
    ~AppConsoleLogger() override = default;

    /** Attaches (or, with null, detaches) the sink; once this returns no call reaches the old sink. */
    void setSink(ILogSink* newSink);

    void logMessage(const juce::String& message) override;

private:
    std::mutex sinkMutex;
    ILogSink* sink = nullptr;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR(AppConsoleLogger)
};
