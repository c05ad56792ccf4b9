#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

/** The "Find"/"Stop" button: a filled rounded body in its own button colour, marked while it has the keyboard focus. */
class FinderButtonComponent : public juce::TextButton
{
public:
    FinderButtonComponent();

    void mouseEnter(const juce::MouseEvent& e) override;
    void mouseExit(const juce::MouseEvent& e) override;
    void paint(juce::Graphics& g) override;

private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR(FinderButtonComponent)
};
