#pragma once

#include "ui/table/NetEditButtonComponent.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <functional>

/** One network interface of a device: its address, the MAC in grey below it, and the edit button. */
class NetCellComponent : public juce::Component
{
public:
    NetCellComponent();

    void paint(juce::Graphics& g) override;
    void resized() override;

    std::function<void()> onEditClicked;
    juce::String text;  // the shown address text
    juce::String mac;
    NetEditButtonComponent editButton;

private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR(NetCellComponent)
};
