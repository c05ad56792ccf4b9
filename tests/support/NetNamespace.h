#pragma once

#include <juce_core/juce_core.h>

/**
    A network namespace known only by a file descriptor: nothing is named in the system, so nothing is
    left behind however a test ends. Closing the descriptor removes it with its end of every veth pair.
    Sockets keep the namespace of the thread that opened them.
*/
class NetNamespace
{
public:
    /** A fresh namespace with loopback up; throws when it cannot be made (tests need root). */
    NetNamespace();
    ~NetNamespace();

    /** A path to it that `ip ... netns <path>` and `nsenter --net=<path>` accept. */
    juce::String path() const;

    /** Runs a shell command inside it; fails the current test with the output when it does not succeed. */
    void run(const juce::String& command) const;

    /** Moves the calling thread into it. */
    bool enter() const;

private:
    int fd = -1;

    JUCE_DECLARE_NON_COPYABLE(NetNamespace)
};
