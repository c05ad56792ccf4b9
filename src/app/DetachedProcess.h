#pragma once

#include <juce_core/juce_core.h>

/**
    Starts another program and lets it go: the browser for a device's page, the downloaded installer.
    The program is given an argument list, never a shell command line; it reads nothing (stdin is
    /dev/null), shares our stdout and stderr, inherits no other descriptor (the discovery sockets among
    them), runs in a session of its own, and is reaped when it ends, so no defunct process is left behind.
*/
class DetachedProcess
{
public:
    /** arguments[0] is the program, looked up on PATH when it has no '/'. False when it could not be started. */
    static bool start(const juce::StringArray& arguments);
};
