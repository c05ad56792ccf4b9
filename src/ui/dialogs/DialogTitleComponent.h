#pragma once

#include "ui/IconSource.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <memory>

/** The dialog's title row: an optional icon and the title, centred together as one group. */
class DialogTitleComponent : public juce::Component
{
public:
    DialogTitleComponent();

    /** Rebuilds the icon drawable from `icon` in the current foreground colour; no usable icon removes it. */
    void updateIcon();

    void lookAndFeelChanged() override;
    void paint(juce::Graphics& g) override;
    void resized() override;

    juce::Label titleLabel;
    IconSource icon;
    std::unique_ptr<juce::Drawable> iconDrawable;
    juce::Rectangle<float> iconBounds;

private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR(DialogTitleComponent)
};
