#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

#include <memory>

/** The footer's small "i" button that opens the about dialog. */
class InfoButton : public juce::Button
{
public:
    InfoButton();
    ~InfoButton() override;

    /** Rebuilds the icon in the current foreground colour. */
    void updateIcon();

    std::unique_ptr<juce::Drawable> icon;

    void mouseEnter(const juce::MouseEvent& e) override;
    void mouseExit(const juce::MouseEvent& e) override;
    void lookAndFeelChanged() override;
    void paintButton(juce::Graphics& g, bool highlighted, bool down) override;

private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR(InfoButton)
};
