#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

#include <functional>

/** The drag handle above the console pane; reports vertical movement, the layout decides the height. */
class ConsoleSplitter : public juce::Component
{
public:
    ConsoleSplitter();

    /** Pixels moved since the previous call, positive downwards. */
    std::function<void(float)> onDrag;

    void mouseEnter(const juce::MouseEvent& event) override;
    void mouseExit(const juce::MouseEvent& event) override;
    void mouseDown(const juce::MouseEvent& event) override;
    void mouseDrag(const juce::MouseEvent& event) override;
    void paint(juce::Graphics& g) override;

private:
    float lastDragY = 0.0f;
    bool hovered = false;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR(ConsoleSplitter)
};
