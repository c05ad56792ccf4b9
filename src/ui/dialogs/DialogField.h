#pragma once

#include <juce_core/juce_core.h>

#include <cstdint>

/** One row of a form dialog. */
struct DialogField
{
    juce::String key;
    juce::String label;
    int32_t kind = 0;  // 0 text field, 1 drop-down, 2 segmented, other: label only
    juce::String value;
    juce::StringArray options;
    juce::String disabledWhenKey;    // a text field is disabled while that row shows...
    juce::String disabledWhenValue;  // ...exactly this text
};
