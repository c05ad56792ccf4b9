#include "ui/table/DeviceListHeader.h"

DeviceListHeader::DeviceListHeader()
{
    hideableColumns.addArray({ 3, 4, 5, 6, 7 });
}

void DeviceListHeader::addMenuItems(juce::PopupMenu& menu, int /*columnIdClicked*/)
{
    const auto sortColumn = getSortColumnId();

    // Hidden columns are listed too, unticked, so they can be shown again.
    for (int i = 0; i < getNumColumns(false); ++i)
    {
        const auto id = getColumnIdOfIndex(i, false);

        if (hideableColumns.contains(id))
            menu.addItem(id, getColumnName(id), id != sortColumn, isColumnVisible(id));
    }
}
