#pragma once

#include <juce_core/juce_core.h>

#include <functional>

struct _XDisplay;

/**
    The program's hold on its X display. Without a reachable one JUCE builds the first window on nothing and
    crashes, so start-up asks first. When the connection breaks, Xlib calls the I/O-error handler and then exits;
    JUCE's own handler only stops the message loop, so shutdown never runs. This one does the leaving itself:
    it runs onLost, which must not talk to the X server any more, and ends the process with status 1.
*/
class DisplayConnection
{
public:
    /** Empty when JUCE has a display; otherwise the one line to tell the user. */
    static juce::String problem();

    /** Takes over the I/O-error handler; call once JUCE's window system is up (after problem() found a display). */
    explicit DisplayConnection(std::function<void()> onLost);

    /** Gives the handler back to JUCE. */
    ~DisplayConnection();

private:
    static int connectionLost(_XDisplay*);

    std::function<void()> onLost;
    int (*previousHandler)(_XDisplay*) = nullptr;

    JUCE_DECLARE_NON_COPYABLE(DisplayConnection)
};
