#pragma once

#include "ui/IconSource.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <functional>
#include <memory>

/** A square rounded button showing one recoloured icon; drawn inverted while active. */
class IconButtonComponent : public juce::Component
{
public:
    IconButtonComponent();
    ~IconButtonComponent() override;

    /** Rebuilds the drawable for the current icon, active state and theme. */
    void updateIcon();

    std::function<void()> onClick;
    IconSource icon;
    float iconPadding = 11.0f;
    bool active = false;
    bool hovered = false;
    std::unique_ptr<juce::Drawable> drawable;

    void mouseEnter(const juce::MouseEvent& e) override;
    void mouseExit(const juce::MouseEvent& e) override;
    void mouseUp(const juce::MouseEvent& e) override;
    void lookAndFeelChanged() override;
    void paint(juce::Graphics& g) override;

private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR(IconButtonComponent)
};
