#pragma once

#include <juce_events/juce_events.h>

#include <functional>
#include <memory>

/**
    Hands a second start's command line to the running instance over a Unix socket in the user's
    runtime folder. JUCE's instance lock stops the second process on Linux, but its broadcast that
    should reach the first instance does nothing there.
*/
class InstanceChannel : private juce::Thread
{
public:
    /** onMessage runs on the message thread with the other start's command line. */
    explicit InstanceChannel(std::function<void(const juce::String& commandLine)> onMessage);
    ~InstanceChannel() override;

    /** Binds the socket (replacing a stale one) and starts accepting; false when that fails. */
    bool listen();

    /** Tells the running instance about this start, retrying while it may still be starting up. */
    static bool notifyRunningInstance(const juce::String& commandLine, int timeoutMs);

    /** "$XDG_RUNTIME_DIR/BrelmDiscovery.socket", or a per-user name in /tmp without a runtime folder. */
    static juce::File socketFile();

private:
    void run() override;
    void handleConnection(int clientFd);

    std::function<void(const juce::String&)> onMessage;
    std::shared_ptr<bool> alive;  // message thread only: posted messages check it before calling back
    int listenFd = -1;
    int wakeFds[2] = { -1, -1 };  // written once to end the wait: no polling while idle
    juce::File boundFile;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR(InstanceChannel)
};
