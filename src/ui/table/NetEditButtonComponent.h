#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

#include <memory>

/** The round pencil button of a NET cell; its icon follows the theme, a ring marks the keyboard focus. */
class NetEditButtonComponent : public juce::Button
{
public:
    explicit NetEditButtonComponent(const juce::String& name);

    void lookAndFeelChanged() override;
    void paintButton(juce::Graphics& g, bool shouldDrawButtonAsHighlighted, bool shouldDrawButtonAsDown) override;

    std::unique_ptr<juce::Drawable> icon;

    /** Rebuilds the pencil in the current foreground colour. */
    void loadIcon();

private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR(NetEditButtonComponent)
};
