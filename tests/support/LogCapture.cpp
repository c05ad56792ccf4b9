#include "LogCapture.h"

LogCapture::LogCapture()
    : previous(juce::Logger::getCurrentLogger())
{
    juce::Logger::setCurrentLogger(this);
}

LogCapture::~LogCapture()
{
    juce::Logger::setCurrentLogger(previous);
}

void LogCapture::logMessage(const juce::String& message)
{
    std::lock_guard<std::mutex> guard(lock);
    collected.add(message);
}

juce::StringArray LogCapture::lines() const
{
    std::lock_guard<std::mutex> guard(lock);
    return collected;
}

int LogCapture::countStartingWith(const juce::String& prefix) const
{
    std::lock_guard<std::mutex> guard(lock);
    int count = 0;
    for (const auto& line : collected)
        if (line.startsWith(prefix))
            ++count;
    return count;
}

bool LogCapture::contains(const juce::String& line) const
{
    std::lock_guard<std::mutex> guard(lock);
    return collected.contains(line);
}
