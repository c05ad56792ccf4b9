#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

/** A device's name, followed by a "HOST" or "GUEST" pill for TARN units. Clicks pass through to the row. */
class NameCellComponent : public juce::Component
{
public:
    NameCellComponent();

    void paint(juce::Graphics& g) override;

    juce::String name;
    bool isTarn = false;
    bool isHost = false;

private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR(NameCellComponent)
};
