#pragma once

#include <juce_core/juce_core.h>

#include <mutex>

/** Collects every log line from any thread while it is the current logger; the previous one returns after.
    Make it before the engine starts and let it go after the engine stopped. */
class LogCapture : public juce::Logger
{
public:
    LogCapture();
    ~LogCapture() override;

    juce::StringArray lines() const;
    int countStartingWith(const juce::String& prefix) const;
    bool contains(const juce::String& line) const;

protected:
    void logMessage(const juce::String& message) override;

private:
    juce::Logger* previous = nullptr;
    mutable std::mutex lock;
    juce::StringArray collected;
};
