#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

/** The size hints a window manager reads when it places a window. */
struct WindowSizeHints
{
    /** Writes the window's place and its resize limits as its size hints. JUCE writes the limits only once the
        window has been moved or resized, and each time it places the window it writes the place alone: a window
        manager that lays the window out as it maps it would find no limits. Call it after the last placing and
        before the window first shows. */
    static void publish(juce::ResizableWindow& window);
};
