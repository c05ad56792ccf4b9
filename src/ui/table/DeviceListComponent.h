#pragma once

#include <juce_data_structures/juce_data_structures.h>
#include <juce_gui_basics/juce_gui_basics.h>

#include <vector>

class AppContext;
class DeviceListHeader;
class NetCellComponent;

/** The live table of discovered devices: filtered, searched and sorted rows of the "DeviceList" node.

    Changes to the list of devices rebuild the rows once per message-loop turn. The table's callbacks (row count,
    painting, cells, clicks) read the rows as they stand, never rebuild them: the table may call them in the middle
    of laying its rows out. Until the rebuild runs a row may still show a device that has left the list: its
    cells keep acting on that device alone, and its row menu stays shut. */
class DeviceListComponent : public juce::Component,
                            public juce::TableListBoxModel,
                            private juce::ValueTree::Listener,
                            private juce::AsyncUpdater
{
public:
    explicit DeviceListComponent(AppContext* appContext);
    ~DeviceListComponent() override;

    /** Filters, searches and sorts the rows again now, then updates the table. */
    void refreshRows();

    /** The devices shown, in display order (row n is element n), after any pending rebuild. */
    const std::vector<juce::ValueTree>& getRows();

    void resized() override;

    int getNumRows() override;
    void paintRowBackground(juce::Graphics& g, int rowNumber, int width, int height, bool rowIsSelected) override;
    void paintCell(juce::Graphics& g, int rowNumber, int columnId, int width, int height, bool rowIsSelected) override;
    juce::Component* refreshComponentForCell(int rowNumber, int columnId, bool isRowSelected,
                                             juce::Component* existingComponentToUpdate) override;
    void cellClicked(int rowNumber, int columnId, const juce::MouseEvent& e) override;
    void sortOrderChanged(int newSortColumnId, bool isForwards) override;

    /** Brings a NET cell up to date with interface `index` of a device node. */
    void updateNetCell(NetCellComponent& cell, const juce::ValueTree& node, int index);

    /** The row's link menu: the reported web link first, then one address per usable interface. */
    juce::PopupMenu createRowMenu(int rowNumber);

    /** The addresses the row menu offers for a device node, in menu order. */
    static juce::StringArray webAddressesFor(const juce::ValueTree& node);

    DeviceListHeader& getHeader();

    AppContext* appContext;
    juce::ValueTree deviceList;
    juce::TableListBox table;
    juce::String searchText;  // trimmed and folded (SearchText::fold) by the layout; empty: no search
    bool tarnOnly = false;

private:
    void handleAsyncUpdate() override;
    void valueTreePropertyChanged(juce::ValueTree& tree, const juce::Identifier& property) override;
    void valueTreeChildAdded(juce::ValueTree& parent, juce::ValueTree& child) override;
    void valueTreeChildRemoved(juce::ValueTree& parent, juce::ValueTree& child, int index) override;
    void valueTreeChildOrderChanged(juce::ValueTree& parent, int oldIndex, int newIndex) override;

    bool passesFilterAndSearch(const juce::ValueTree& device) const;
    void sortRows(int columnId, bool forwards);
    int rowOnScreen(const juce::ValueTree& device) const;
    void runFinderAction(juce::String id, bool finder);

    std::vector<juce::ValueTree> rows;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR(DeviceListComponent)
};
