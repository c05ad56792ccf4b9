#pragma once

#include <juce_core/juce_core.h>

#include <mutex>

/** Collects every log line from any thread while it is the current logger. Make it before the engine starts and
    let it go after the engine stopped. */
class LogCapture : public juce::Logger
{
public:
    LogCapture() : previous(juce::Logger::getCurrentLogger()) { juce::Logger::setCurrentLogger(this); }
    ~LogCapture() override { juce::Logger::setCurrentLogger(previous); }

    juce::StringArray lines() const
    {
        std::lock_guard<std::mutex> guard(lock);
        return collected;
    }

    int count(const juce::String& prefix) const
    {
        int n = 0;
        for (const auto& line : lines())
            n += line.startsWith(prefix) ? 1 : 0;
        return n;
    }

    bool contains(const juce::String& line) const { return lines().contains(line); }

private:
    void logMessage(const juce::String& message) override
    {
        std::lock_guard<std::mutex> guard(lock);
        collected.add(message);
    }

    juce::Logger* previous;
    mutable std::mutex lock;
    juce::StringArray collected;
};
