#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

/** The small notice at the bottom right of the window: fades in, holds about two seconds, fades out. */
class ToastOverlay : public juce::Component, private juce::Timer
{
public:
    ToastOverlay();

    /** Replaces whatever is on screen: the new text fades in from full transparency. */
    void show(const juce::String& newText, bool shouldPersist);

    /** Replaces the text only: a hidden toast stays hidden and the animation keeps its pace. */
    void updateText(const juce::String& newText);

    /** Ends any hold, also a persistent one: the fade-out starts on the next tick. A toast that already faded
        out stays hidden. */
    void fadeOut();

    /** Places the toast 20 px from the parent's right and bottom edges. */
    void placeInParent();

    const juce::String& getText() const { return text; }

    void paint(juce::Graphics& g) override;

    static constexpr int width = 220;
    static constexpr int height = 42;
    static constexpr int margin = 20;

private:
    void timerCallback() override;

    juce::String text;
    int state = 0;  // 0 fade-in, 1 hold, 2 fade-out
    int holdTicks = 0;
    bool persistent = false;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR(ToastOverlay)
};
