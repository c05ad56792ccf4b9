#pragma once

#include <juce_events/juce_events.h>

#include <functional>
#include <memory>

/**
    Keeps the program to one instance per user: a lock and a Unix socket in the user's runtime folder
    (or a private folder of theirs without one). A second start that finds the lock taken hands its
    command line over the socket to the running instance. JUCE's own lock is one file in /var/tmp for
    the whole machine, and its hand-over does nothing on Linux.
*/
class InstanceChannel : private juce::Thread
{
public:
    /** onMessage runs on the message thread with the other start's command line. */
    explicit InstanceChannel(std::function<void(const juce::String& commandLine)> onMessage);
    ~InstanceChannel() override;

    /** Takes this user's instance lock; false only when another instance of this user holds it.
        Without a usable folder the program runs unguarded, and that is logged. */
    bool claim();

    /** Binds the socket (replacing a stale one) and starts accepting; false, and logged, when that fails. */
    bool listen();

    /** Tells the running instance about this start, retrying while it may still be starting up. */
    static bool notifyRunningInstance(const juce::String& commandLine, int timeoutMs);

    /** "BrelmDiscovery.socket" in the user's runtime folder (the lock lies next to it), or in their
        private cache folder without one; a null File when neither can be had. */
    static juce::File socketFile();

private:
    void run() override;
    void handleConnection(int clientFd);

    std::function<void(const juce::String&)> onMessage;
    std::shared_ptr<bool> alive;  // message thread only: posted messages check it before calling back
    int lockFd = -1;
    int listenFd = -1;
    int wakeFds[2] = { -1, -1 };  // written once to end the wait: no polling while idle
    juce::File boundFile;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR(InstanceChannel)
};
