#pragma once

#include <juce_events/juce_events.h>

#include <functional>
#include <memory>

/**
    Keeps the program to one instance per user: a lock and a Unix socket in the user's runtime folder
    (or a private folder of theirs without one). A second start that finds the lock taken hands its
    command line over the socket to the running instance, which answers only when it acts on it. JUCE's
    own lock is one file in /var/tmp for the whole machine, and its hand-over does nothing on Linux.
*/
class InstanceChannel : private juce::Thread
{
public:
    /** onMessage runs on the message thread with another start's command line and tells whether this
        instance acts on it (not while it closes). */
    explicit InstanceChannel(std::function<bool(const juce::String& commandLine)> onMessage);
    ~InstanceChannel() override;

    /** Takes this user's instance lock, or hands commandLine to the instance that holds it. An instance
        that does not act on it is closing: the lock is tried again until timeoutMs have passed. True when
        this start is to run: it holds the lock, or there is no usable folder for one (it then runs
        unguarded). False when the running instance took the command line over, or none answered in time. */
    bool claim(const juce::String& commandLine, int timeoutMs);

    /** Whether this start holds the user's instance lock (and not merely runs unguarded). */
    bool holdsLock() const { return lockFd >= 0; }

    /** Binds the socket (replacing a stale one) and starts accepting; false when that fails. Logs what
        went wrong here and in claim, once the program's log can show it. */
    bool listen();

    /** "BrelmDiscovery.socket" in the user's runtime folder (the lock lies next to it), or in their
        private cache folder without one; a null File when neither can be had. */
    static juce::File socketFile();

private:
    enum class Lock
    {
        held,
        taken,
        unavailable
    };

    Lock tryLock();
    void run() override;
    void handleConnection(int clientFd);

    std::function<bool(const juce::String&)> onMessage;
    std::shared_ptr<bool> alive;  // message thread only: posted messages check it before calling back
    int lockFd = -1;
    int listenFd = -1;
    int wakeFds[2] = { -1, -1 };  // written once to end the wait: no polling while idle
    juce::File boundFile;
    juce::String claimProblem;  // logged by listen, once the log reaches the console

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR(InstanceChannel)
};
