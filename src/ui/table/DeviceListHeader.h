#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

/** The device table's header; its right-click menu shows or hides the optional columns. */
class DeviceListHeader : public juce::TableHeaderComponent
{
public:
    DeviceListHeader();

    /** One ticked-or-not item per optional column, the sort column greyed out. */
    void addMenuItems(juce::PopupMenu& menu, int columnIdClicked) override;

    juce::Array<int> hideableColumns;

private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR(DeviceListHeader)
};
