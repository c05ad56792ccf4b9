#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

/** The footer's theme switch: a sun in the light theme, a crescent moon in the dark one. */
class ThemeToggleButton : public juce::Button
{
public:
    ThemeToggleButton();
    ~ThemeToggleButton() override;

    void mouseEnter(const juce::MouseEvent& e) override;
    void mouseExit(const juce::MouseEvent& e) override;
    void paintButton(juce::Graphics& g, bool highlighted, bool down) override;

private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR(ThemeToggleButton)
};
