#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

#include <functional>

/** A device's web address: a left click opens it, a right click copies it. */
class LinkCellComponent : public juce::Component
{
public:
    LinkCellComponent() = default;

    void mouseEnter(const juce::MouseEvent& e) override;
    void mouseExit(const juce::MouseEvent& e) override;
    void mouseDown(const juce::MouseEvent& e) override;
    void paint(juce::Graphics& g) override;

    std::function<void(const juce::String&)> onToast;
    juce::String url;
    bool hovered = false;

private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR(LinkCellComponent)
};
