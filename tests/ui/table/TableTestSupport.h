#pragma once

// Shared by the table, cell and network-form tests: device nodes written the way AppContext writes them and a
// stand-in browser launcher.

#include "ui/UiTestSupport.h"
#include "app/AppContext.h"
#include "app/AppStateIds.h"
#include "ui/dialogs/FormDialog.h"
#include "ui/table/DeviceListComponent.h"
#include "ui/table/NetCellComponent.h"

#include <cstdlib>

namespace ui_test
{
namespace Ids = AppStateIds;

struct NetDescription
{
    juce::String ip, mac, mask, gateway, dns1, dns2;
    bool dhcp = false;
};

struct DeviceDescription
{
    juce::String id, name, model, version, webAccess;
    bool finder = false, isTarn = false, isHost = false;
    NetDescription net0, net1;
};

/** Appends a device node the way AppContext does: complete, both interfaces included, in one addition. */
inline juce::ValueTree addDevice(AppContext& context, const DeviceDescription& desc)
{
    juce::ValueTree device(Ids::Device);
    device.setProperty(Ids::id, desc.id, nullptr);
    device.setProperty(Ids::name, desc.name, nullptr);
    device.setProperty(Ids::model, desc.model, nullptr);
    device.setProperty(Ids::version, desc.version, nullptr);
    device.setProperty(Ids::defaultIp, desc.net0.ip, nullptr);
    device.setProperty(Ids::port, 80, nullptr);
    device.setProperty(Ids::webAccess, desc.webAccess, nullptr);
    device.setProperty(Ids::finder, desc.finder, nullptr);
    device.setProperty(Ids::isTarn, desc.isTarn, nullptr);
    device.setProperty(Ids::isHost, desc.isHost, nullptr);

    for (int i = 0; i < 2; ++i)
    {
        const auto& net = i == 0 ? desc.net0 : desc.net1;
        juce::ValueTree iface(Ids::NetworkInterface);
        iface.setProperty(Ids::interfaceIndex, i, nullptr);
        iface.setProperty(Ids::dhcp, net.dhcp, nullptr);
        iface.setProperty(Ids::ip, net.ip, nullptr);
        iface.setProperty(Ids::mask, net.mask, nullptr);
        iface.setProperty(Ids::gateway, net.gateway, nullptr);
        iface.setProperty(Ids::dns1, net.dns1, nullptr);
        iface.setProperty(Ids::dns2, net.dns2, nullptr);
        iface.setProperty(Ids::mac, net.mac, nullptr);
        device.appendChild(iface, nullptr);
    }

    context.appState.getChildWithName(Ids::DeviceList).appendChild(device, nullptr);
    return device;
}

inline DeviceDescription device(const juce::String& id, const juce::String& name, const juce::String& ip0 = {},
                         const juce::String& ip1 = {})
{
    DeviceDescription desc;
    desc.id = id;
    desc.name = name;
    desc.net0.ip = ip0;
    desc.net1.ip = ip1;
    return desc;
}

/** Puts an "xdg-open" first on PATH that only writes down each address it is asked to open. */
class FakeBrowser
{
public:
    FakeBrowser()
    {
        dir = juce::File::createTempFile("table-browser");
        dir.createDirectory();
        record = dir.getChildFile("opened.txt");
        auto script = dir.getChildFile("xdg-open");
        script.replaceWithText("#!/bin/sh\nprintf '%s\\n' \"$1\" >> '" + record.getFullPathName() + "'\n", false,
                               false, "\n");
        script.setExecutePermission(true);

        oldPath = juce::SystemStats::getEnvironmentVariable("PATH", {});
        setenv("PATH", (dir.getFullPathName() + ":" + oldPath).toRawUTF8(), 1);
    }

    ~FakeBrowser()
    {
        setenv("PATH", oldPath.toRawUTF8(), 1);
        dir.deleteRecursively();
    }

    /** The addresses opened so far, one per complete line. */
    juce::StringArray opened() const
    {
        juce::StringArray lines;
        const auto text = record.loadFileAsString();
        lines.addTokens(text.upToLastOccurrenceOf("\n", false, false), "\n", {});
        if (text.isEmpty())
            lines.clear();
        return lines;
    }

    juce::File dir, record;

private:
    juce::String oldPath;
};

/** The display names of the rows, in display order. */
inline juce::StringArray rowNames(DeviceListComponent& list)
{
    juce::StringArray names;
    for (const auto& row : list.getRows())
        names.add(row[Ids::name].toString());
    return names;
}
/** A device table on its own context: toasts are recorded, forms open on an overlay of a 1200 x 700 layout. */
class TableFixture : public ::testing::Test
{
protected:
    TableFixture()
    {
        list.setSize(1100, 600);
        overlay.setSize(1200, 700);
        context.showToast = [this](const juce::String& text) { toasts.add(text); };
        context.showFormDialog = [this](const juce::String& title, const juce::String& message,
                                        const std::vector<DialogField>& fields,
                                        const std::vector<DialogAction>& actions, int dismissActionId,
                                        FormDialogCallback callback, IconSource icon)
        { showFormDialogImpl(overlay, title, message, fields, actions, dismissActionId, std::move(callback), icon); };
    }

    /** A cell component of the table, once the message loop has let the table catch up with the tree. */
    template <typename Cell>
    Cell* cell(int columnId, int row = 0)
    {
        drainMessages();
        return dynamic_cast<Cell*>(list.table.getCellComponent(columnId, row));
    }

    /** Clicks the edit button of a NET cell of the first row and finds the form it opened. */
    OpenForm openForm(int column)
    {
        auto* net = cell<NetCellComponent>(column);
        EXPECT_NE(net, nullptr);
        if (net == nullptr || ! net->editButton.isVisible())
            return {};
        net->editButton.triggerClick();
        drainMessages();
        return findForm(overlay);
    }

    void press(const juce::String& label)
    {
        auto* b = dialogButton(overlay, label);
        ASSERT_NE(b, nullptr) << label;
        b->triggerClick();
        drainMessages();
    }

    ScopedLookAndFeel lookAndFeel;
    AppContext context;
    DeviceListComponent list { &context };
    CustomDialogOverlay overlay;
    juce::StringArray toasts;
};
} // namespace ui_test
