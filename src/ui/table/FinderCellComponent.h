#pragma once

#include "ui/table/FinderButtonComponent.h"

#include <juce_gui_basics/juce_gui_basics.h>

/** Holds the Finder button, right-aligned with the row's separator. */
class FinderCellComponent : public juce::Component
{
public:
    FinderCellComponent();

    void resized() override;

    FinderButtonComponent button;

private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR(FinderCellComponent)
};
