#pragma once

#include <juce_graphics/juce_graphics.h>

/**
    Drives an X display the way a user would, with the tools a user's desktop has: xdotool for the
    pointer and the keyboard, xwd for screenshots. The tools run as child processes of the calling
    thread, so they share its network namespace and with it the display's abstract socket.
*/
class DesktopDriver
{
public:
    DesktopDriver(const juce::String& displayName, const juce::File& scratchFolder);

    /** Runs xdotool with these arguments; true when it exits with 0. */
    bool xdotool(const juce::StringArray& arguments);

    /** Moves the pointer to a point of the window and clicks (button 1 left, 3 right). */
    bool click(unsigned long window, juce::Point<int> point, int button = 1);
    /** The same click with modifier keys held, e.g. { "ctrl", "shift" }. */
    bool clickWith(unsigned long window, juce::Point<int> point, const juce::StringArray& modifiers);
    /** A click at a point of the screen (for windows of their own such as popup menus). */
    bool clickScreen(juce::Point<int> point, int button = 1);
    bool moveTo(unsigned long window, juce::Point<int> point);
    bool type(const juce::String& text);
    /** A key or chord in xdotool's names, e.g. "ctrl+a", "Return". */
    bool key(const juce::String& keys);

    /** The window's geometry as xdotool reports it. */
    juce::Rectangle<int> windowGeometry(unsigned long window);

    /** The mapped top-level windows, in stacking order (bottom first). */
    juce::Array<juce::Rectangle<int>> visibleWindows();

    /** A screenshot of the whole screen (xwd piped into convert), saved as a PNG and loaded. */
    juce::Image screenshot(const juce::File& pngFile);

    /** The text the CLIPBOARD selection holds, asked for like any X client asks; empty when none. */
    juce::String clipboardText(int timeoutMs = 5000);

private:
    bool runTool(const juce::StringArray& arguments, juce::String* output = nullptr, int timeoutMs = 20000);

    juce::String display;
    juce::File scratch;
    int toolRuns = 0;
};
