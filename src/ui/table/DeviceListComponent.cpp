#include "ui/table/DeviceListComponent.h"

#include "app/AppContext.h"
#include "app/AppStateIds.h"
#include "ui/CustomLookAndFeel.h"
#include "ui/dialogs/NetworkSettingsForm.h"
#include "ui/table/DeviceListHeader.h"
#include "ui/table/DeviceRowComparator.h"
#include "ui/table/FinderCellComponent.h"
#include "ui/table/LinkCellComponent.h"
#include "ui/table/NameCellComponent.h"
#include "ui/table/NetCellComponent.h"
#include "ui/table/NetworkDisplayInfo.h"
#include "ui/table/SearchText.h"
#include "ui/table/WebLink.h"

#include <algorithm>

namespace
{
namespace Ids = AppStateIds;

enum ColumnFlags
{
    visible = juce::TableHeaderComponent::visible,
    onMenu = juce::TableHeaderComponent::appearsOnColumnMenu,
    sortable = juce::TableHeaderComponent::sortable
};

juce::ValueTree interfaceOf(const juce::ValueTree& device, int index)
{
    return device.getChildWithProperty(Ids::interfaceIndex, index);
}

// Reuses the table's component for a cell when it is of the wanted class; a stray one is dropped.
template <typename Cell>
Cell* reuseOrCreate(juce::Component* existing, bool& created)
{
    if (auto* cell = dynamic_cast<Cell*>(existing))
    {
        created = false;
        return cell;
    }

    delete existing;
    created = true;
    return new Cell();
}
} // namespace

DeviceListComponent::DeviceListComponent(AppContext* context) : appContext(context)
{
    table.setModel(this);

    auto* header = new DeviceListHeader();
    table.setHeader(std::unique_ptr<juce::TableHeaderComponent>(header));
    table.setHeaderHeight(40);
    table.setRowHeight(50);

    header->setPopupMenuActive(true);
    header->setStretchToFitActive(true);

    header->addColumn("", 1, 25, 25, 25, visible);
    header->addColumn("Device name", 2, 200, 100, -1, visible | sortable);
    header->addColumn("Model", 3, 100, 75, -1, visible | onMenu | sortable);
    header->addColumn("Version", 4, 100, 75, -1, visible | onMenu | sortable);
    header->addColumn("Web access", 5, 200, 150, -1, visible | onMenu);
    header->addColumn("NET 1", 6, 150, 150, -1, visible | onMenu | sortable);
    header->addColumn("NET 2", 7, 150, 150, -1, visible | onMenu | sortable);
    header->addColumn("", 8, 100, 100, 100, visible);

    // Its rows' selection is never shown, so the list itself is no place for the keyboard; the cells' buttons are.
    table.setWantsKeyboardFocus(false);
    addAndMakeVisible(table);

    deviceList = appContext->appState.getChildWithName(Ids::DeviceList);
    deviceList.addListener(this);

    refreshRows();

    for (auto* child : table.getChildren())
    {
        if (auto* viewport = dynamic_cast<juce::Viewport*>(child))
        {
            viewport->setScrollBarsShown(true, false, true, false);
            break;
        }
    }
}

DeviceListComponent::~DeviceListComponent()
{
    table.setModel(nullptr);
    deviceList.removeListener(this);
}

DeviceListHeader& DeviceListComponent::getHeader()
{
    return static_cast<DeviceListHeader&>(table.getHeader());
}

bool DeviceListComponent::passesFilterAndSearch(const juce::ValueTree& device) const
{
    if (tarnOnly && ! (bool) device[Ids::isTarn])
        return false;

    if (searchText.isEmpty())
        return true;

    const auto net0 = interfaceOf(device, 0);
    const auto net1 = interfaceOf(device, 1);

    // Exactly these seven values, in this order; the first hit decides.
    const juce::var* values[] = { &device[Ids::name], &device[Ids::model], &device[Ids::version],
                                  &net0[Ids::ip],     &net0[Ids::mac],     &net1[Ids::ip],
                                  &net1[Ids::mac] };

    for (const auto* value : values)
        if (SearchText::fold(value->toString()).contains(searchText))
            return true;

    return false;
}

void DeviceListComponent::refreshRows()
{
    cancelPendingUpdate();

    rows.clear();
    rows.reserve((size_t) deviceList.getNumChildren());

    for (const auto& child : deviceList)
        if (passesFilterAndSearch(child))
            rows.push_back(child);

    auto& header = table.getHeader();
    if (const auto sortColumn = header.getSortColumnId(); sortColumn != 0)
        sortRows(sortColumn, header.isSortedForwards());

    table.updateContent();
    table.repaint();
}

void DeviceListComponent::handleAsyncUpdate()
{
    refreshRows();
}

const std::vector<juce::ValueTree>& DeviceListComponent::getRows()
{
    handleUpdateNowIfNeeded();
    return rows;
}

void DeviceListComponent::resized()
{
    table.setBounds(getLocalBounds());
}

int DeviceListComponent::getNumRows()
{
    return (int) rows.size();
}

void DeviceListComponent::paintRowBackground(juce::Graphics& g, int, int width, int height, bool)
{
    // No fill and no selection: only the separator, stopping 20 pixels short of the right edge.
    g.setColour(findColour(CustomLookAndFeel::separatorColourId).withAlpha(0.5f));
    g.drawLine(0.0f, (float) height, (float) (width - 20), (float) height, 1.0f);
}

void DeviceListComponent::paintCell(juce::Graphics& g, int rowNumber, int columnId, int width, int height, bool)
{
    if (rowNumber < 0 || rowNumber >= (int) rows.size())
        return;

    const auto& node = rows[(size_t) rowNumber];

    g.setColour(findColour(juce::ListBox::textColourId));
    g.setFont(17.0f);

    juce::String text;

    switch (columnId)
    {
        case 1:
            g.setFont(13.0f);
            text = juce::String(rowNumber + 1);
            break;
        case 3: text = node[Ids::model].toString(); break;
        case 4: text = node[Ids::version].toString(); break;
        default: break;
    }

    g.drawText(text, 0, 0, width - 12, height, juce::Justification::centredLeft, true);
}

juce::Component* DeviceListComponent::refreshComponentForCell(int rowNumber, int columnId, bool,
                                                              juce::Component* existing)
{
    const auto noComponent = [existing]() -> juce::Component*
    {
        // The table handed its component over; it is ours to delete when we return none.
        delete existing;
        return nullptr;
    };

    if (rowNumber < 0 || rowNumber >= (int) rows.size())
        return noComponent();

    const auto& node = rows[(size_t) rowNumber];
    bool created = false;

    switch (columnId)
    {
        case 2:
        {
            auto* cell = reuseOrCreate<NameCellComponent>(existing, created);
            const auto name = node[Ids::name].toString();
            const bool isTarn = node[Ids::isTarn];
            const bool isHost = node[Ids::isHost];

            if (name != cell->name || isTarn != cell->isTarn || isHost != cell->isHost)
            {
                cell->name = name;
                cell->isTarn = isTarn;
                cell->isHost = isHost;
                cell->repaint();
            }
            return cell;
        }

        case 5:
        {
            auto* cell = reuseOrCreate<LinkCellComponent>(existing, created);

            if (created)
            {
                cell->onToast = [context = appContext](const juce::String& text)
                {
                    if (context->showToast)
                        context->showToast(text);
                };
            }

            const auto url = node[Ids::webAccess].toString();
            if (url != cell->url)
            {
                cell->url = url;
                cell->repaint();
            }
            return cell;
        }

        case 6:
        case 7:
        {
            auto* cell = reuseOrCreate<NetCellComponent>(existing, created);
            updateNetCell(*cell, node, columnId == 6 ? 0 : 1);
            return cell;
        }

        case 8:
        {
            auto* cell = reuseOrCreate<FinderCellComponent>(existing, created);
            const auto id = node[Ids::id].toString();
            const bool finder = node[Ids::finder];
            auto colour = findColour(juce::TextButton::buttonColourId);

            if (finder)
                colour = colour.withAlpha(0.4f);

            cell->button.setButtonText(finder ? "Stop" : "Find");
            cell->button.setColour(juce::TextButton::buttonColourId, colour);
            cell->button.onClick = [this, id, finder] { runFinderAction(id, finder); };
            return cell;
        }

        default:
            return noComponent();
    }
}

void DeviceListComponent::updateNetCell(NetCellComponent& cell, const juce::ValueTree& node, int index)
{
    const auto id = node[Ids::id].toString();
    const auto name = node[Ids::name].toString();
    const bool isTarn = node[Ids::isTarn];
    const bool isHost = node[Ids::isHost];
    const auto net = interfaceOf(node, index);
    const auto ip = net[Ids::ip].toString();
    const auto mac = net[Ids::mac].toString();

    juce::String shown;
    if (ip.startsWithChar('0'))
        shown = "---";
    else if (ip.isEmpty())
        shown = "N/A";
    else
        shown = ip;

    // A TARN host's addresses are managed by the unit itself.
    const bool editable = shown == ip && ! (isTarn && isHost);

    if (shown != cell.text || mac != cell.mac || cell.editButton.isVisible() != editable)
    {
        cell.text = shown;
        cell.mac = mac;
        cell.editButton.setVisible(editable);
        cell.resized();
        cell.repaint();
    }

    NetworkDisplayInfo info;
    info.owner = this;
    info.title = "NET " + juce::String(index + 1) + " settings";
    info.deviceId = id;
    info.interfaceIndex = index;
    info.deviceName = name;
    info.ip = ip;
    info.dhcp = net[Ids::dhcp];
    info.mask = net[Ids::mask].toString();
    info.gateway = net[Ids::gateway].toString();
    info.dns1 = net[Ids::dns1].toString();
    info.dns2 = net[Ids::dns2].toString();

    cell.onEditClicked = [info] { showNetworkSettingsForm(info); };
}

void DeviceListComponent::runFinderAction(juce::String id, bool finder)
{
    // The id is our own copy: applying the command refreshes the cell, which replaces the handler that
    // called us and the id it held.
    const tmx::DeviceCommand command = tmx::FinderRequest { ! finder };

    if (appContext->engine.sendCommand(id.toStdString(), command))
        appContext->applyCommandLocally(id, command);
}

juce::StringArray DeviceListComponent::webAddressesFor(const juce::ValueTree& node)
{
    const auto model = node[Ids::model].toString();
    const juce::String scheme = model.startsWith("ORLA") ? "https://" : "http://";
    const juce::String suffix = model.startsWith("GAVRO") ? "/admin" : "";

    juce::StringArray addresses;
    addresses.add(node[Ids::webAccess].toString());

    for (int index = 0; index < 2; ++index)
    {
        const auto ip = interfaceOf(node, index)[Ids::ip].toString();

        if (ip.isNotEmpty() && ! ip.startsWith("0.0.0.0"))
            addresses.add(scheme + ip + suffix);
    }

    return addresses;
}

juce::PopupMenu DeviceListComponent::createRowMenu(int rowNumber)
{
    juce::PopupMenu menu;

    // A device removed from the list since the last rebuild offers nothing.
    if (rowNumber < 0 || rowNumber >= (int) rows.size() || rows[(size_t) rowNumber].getParent() != deviceList)
        return menu;

    for (const auto& address : webAddressesFor(rows[(size_t) rowNumber]))
        menu.addItem(address, [address] { WebLink::open(address); });

    return menu;
}

void DeviceListComponent::cellClicked(int rowNumber, int, const juce::MouseEvent& e)
{
    if (! e.mods.isRightButtonDown())
        return;

    if (auto menu = createRowMenu(rowNumber); menu.getNumItems() > 0)
        menu.showMenuAsync(juce::PopupMenu::Options().withStandardItemHeight(34));
}

void DeviceListComponent::sortOrderChanged(int newSortColumnId, bool isForwards)
{
    if (newSortColumnId == 0)
        return;

    handleUpdateNowIfNeeded();
    sortRows(newSortColumnId, isForwards);
    table.updateContent();
}

void DeviceListComponent::sortRows(int columnId, bool isForwards)
{
    // Each key is read once, not in every comparison; the order is the comparator's.
    struct Keyed
    {
        juce::String key;
        juce::ValueTree node;
    };
    std::vector<Keyed> keyed;
    keyed.reserve(rows.size());
    for (auto& node : rows)
        keyed.push_back({ DeviceRowComparator::keyFor(node, columnId), std::move(node) });

    std::sort(keyed.begin(), keyed.end(), [isForwards](const Keyed& a, const Keyed& b)
              { return DeviceRowComparator::compareKeys(a.key, b.key, isForwards); });

    for (size_t i = 0; i < keyed.size(); ++i)
        rows[i] = std::move(keyed[i].node);
}

int DeviceListComponent::rowOnScreen(const juce::ValueTree& device) const
{
    // The table keeps cell components only for the rows in view; a change elsewhere has nothing to refresh.
    const auto* viewport = table.getViewport();
    const auto rowHeight = juce::jmax(1, table.getRowHeight());
    const auto first = viewport != nullptr ? viewport->getViewPositionY() / rowHeight : 0;
    const auto last = first + table.getNumRowsOnScreen() + 4;  // the list keeps a few rows beyond the view

    for (auto row = juce::jmax(0, first); row <= last && row < (int) rows.size(); ++row)
        if (rows[(size_t) row] == device)
            return row;

    return -1;
}

void DeviceListComponent::valueTreePropertyChanged(juce::ValueTree& tree, const juce::Identifier&)
{
    // A pending rebuild refreshes and repaints every visible row anyway.
    if (isUpdatePending())
        return;

    const auto device = tree.hasType(Ids::NetworkInterface) ? tree.getParent() : tree;
    if (! device.hasType(Ids::Device))
        return;

    // Cells take the new values and the row is painted again (model and version are drawn by paintCell);
    // the order stays until the next rebuild.
    if (const auto row = rowOnScreen(device); row >= 0)
    {
        table.updateContent();
        table.repaintRow(row);
    }
}

void DeviceListComponent::valueTreeChildAdded(juce::ValueTree&, juce::ValueTree&)
{
    triggerAsyncUpdate();
}

void DeviceListComponent::valueTreeChildRemoved(juce::ValueTree&, juce::ValueTree&, int)
{
    triggerAsyncUpdate();
}

void DeviceListComponent::valueTreeChildOrderChanged(juce::ValueTree&, int, int)
{
    triggerAsyncUpdate();
}
