#pragma once

#include <juce_core/juce_core.h>

/**
    A network namespace of its own, known only by a file descriptor: nothing is named in the system,
    so nothing is left behind when a test ends, however it ends. Closing the descriptor removes the
    namespace together with its end of every veth pair.

    A thread that enters it (enter, or ScopedNamespaceEntry) opens its sockets there; sockets keep
    their namespace afterwards, whichever thread uses them.
*/
class NetNamespace
{
public:
    /** A fresh namespace with loopback up. */
    NetNamespace();
    ~NetNamespace();

    bool isValid() const noexcept { return fd >= 0; }
    int getFd() const noexcept { return fd; }

    /** A path to this namespace that `ip ... netns <path>` and `nsenter --net=<path>` accept. */
    juce::String path() const;

    /** Runs a shell command inside the namespace; true when it exits with 0. Output goes to lastOutput. */
    bool run(const juce::String& command) const;
    /** Like run, but fails the current test with the command's output when it does not succeed. */
    void runOrFail(const juce::String& command) const;

    /** Moves the calling thread into the namespace. */
    bool enter() const;

    /** A descriptor of the calling thread's current namespace (the caller closes it). */
    static int openCurrent();

    mutable juce::String lastOutput;

private:
    int fd = -1;

    JUCE_DECLARE_NON_COPYABLE(NetNamespace)
};
