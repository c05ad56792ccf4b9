#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

#include <cstdint>
#include <functional>

/** A row of equal segments, one per option, exactly one of them selected. */
class SegmentedControl : public juce::Component
{
public:
    SegmentedControl();

    /** The selected option, or empty text when the index is out of range. */
    juce::String getSelectedText() const;

    void mouseDown(const juce::MouseEvent& e) override;
    void enablementChanged() override;
    void paint(juce::Graphics& g) override;

    // Called after a click changed the selection.
    std::function<void(const juce::String&)> onChange;
    // Written by the form when it creates the control; afterwards only clicks change the selection.
    juce::StringArray options;
    int32_t selectedIndex = 0;

private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR(SegmentedControl)
};
