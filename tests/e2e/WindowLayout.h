#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

#include <map>
#include <vector>

/**
    Where things are in the program's window, worked out from its layout rules: content margins of 20,
    the header (35, or 93 with the filter row open) and 8 below it, the table with its 40-pixel header
    and 50-pixel rows, the 28-pixel footer. Column widths come from a table header set up with the same
    columns and stretched to the table's width by the framework, as the program's own is.
*/
struct WindowLayout
{
    /** columnToggles: columns hidden or shown again from the column menu since the start, in order; the
        framework re-stretches from the widths it has, so the history matters. */
    WindowLayout(int windowWidth, int windowHeight, bool filterRowOpen = false, bool consoleShown = false,
                 const std::vector<int>& columnToggles = {});

    int width, height;
    int headerHeight;
    juce::Rectangle<int> table;                 // header row included
    std::map<int, juce::Range<int>> columns;    // by column id, x in window coordinates

    int rowTop(int row) const { return table.getY() + 40 + 50 * row; }
    int visibleRows() const { return (table.getBottom() - table.getY() - 40 + 49) / 50; }
    juce::Rectangle<int> cell(int row, int columnId) const;
    juce::Rectangle<int> headerCell(int columnId) const;

    juce::Point<int> findButton(int row) const;           // centre of the Finder button
    juce::Rectangle<int> findButtonFill(int row) const;   // a strip of its fill, clear of the label
    juce::Point<int> searchBox() const { return { width - 120, 37 }; }
    juce::Point<int> filterButton() const { return { width - 20 - 200 - 8 - 17, 37 }; }
    juce::Point<int> wordmark() const { return { 60, 37 }; }
    juce::Point<int> themeToggle() const { return { width - 54, height - 14 }; }
    juce::Point<int> tarnDropdown() const { return { width - 120, 20 + 35 + 8 + 32 }; }
    juce::Point<int> tarnOption() const { return { width - 120, 20 + 35 + 8 + 50 + 8 + 17 }; }
    juce::Rectangle<int> footerText() const { return { 20, height - 28, width - 40, 28 }; }
    juce::Rectangle<int> console() const;

    /** The network-settings form's card and the places in it (overlay = the whole window). */
    juce::Rectangle<int> formCard() const;
    juce::Rectangle<int> formTitle() const;
    juce::Point<int> formSegment(int index) const;   // 0 "Manual", 1 "Auto (DHCP)"
    juce::Point<int> formField(int row) const;       // row 1 IP address ... 5 DNS 2
    juce::Point<int> formButton(int index) const;    // 0 "Cancel", 1 "Apply"
};
