#pragma once

#include <juce_core/juce_core.h>

#include <cstdint>

/** One button of a dialog. */
struct DialogAction
{
    int32_t id = 0;
    juce::String label;
    int32_t style = 0;  // 0 filled mint, 1 outline in the foreground colour, 2 outline in mint
};
