#pragma once

#include <juce_data_structures/juce_data_structures.h>

/** Orders "Device" nodes by one column's text, naturally and without regard to case. */
struct DeviceRowComparator
{
    int columnId = 0;
    bool forwards = true;

    /** True when a goes before b. Equal keys put neither first. */
    bool operator()(const juce::ValueTree& a, const juce::ValueTree& b) const;

    /** The order of two keys: natural, case-insensitive; true when a goes first. */
    static bool compareKeys(const juce::String& a, const juce::String& b, bool forwards);

    /** The text a node sorts by in a column: name, model, version or an interface's address; else empty. */
    static juce::String keyFor(const juce::ValueTree& node, int columnId);
};
