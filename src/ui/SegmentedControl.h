#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

#include <cstdint>
#include <functional>

/** A row of equal segments, one per option, exactly one of them selected. The keyboard moves the selection: the
    arrow keys to the neighbouring segment, Space to the next one round. */
class SegmentedControl : public juce::Component
{
public:
    SegmentedControl();

    /** The selected option, or empty text when the index is out of range. */
    juce::String getSelectedText() const;

    void mouseDown(const juce::MouseEvent& e) override;
    bool keyPressed(const juce::KeyPress& key) override;
    void enablementChanged() override;
    void focusGained(FocusChangeType cause) override;
    void focusLost(FocusChangeType cause) override;
    void paint(juce::Graphics& g) override;

    // Called after a click or a key changed the selection.
    std::function<void(const juce::String&)> onChange;
    // Written by the form when it creates the control; afterwards only clicks and keys change the selection.
    juce::StringArray options;
    int32_t selectedIndex = 0;

private:
    void select(int index);

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR(SegmentedControl)
};
