#include "app/AppConsoleLogger.h"

void AppConsoleLogger::setSink(ILogSink* newSink)
{
    const std::lock_guard<std::mutex> lock(sinkMutex);
    sink = newSink;
}

void AppConsoleLogger::logMessage(const juce::String& message)
{
    juce::Logger::outputDebugString(message);

    // The sink is called under the lock so that a detach waits for a line in flight.
    const std::lock_guard<std::mutex> lock(sinkMutex);
    if (sink != nullptr)
        sink->logLine(message);
}
