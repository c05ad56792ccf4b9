// The whole road over real network namespaces: a simulated device of each family shows up as a row,
// "Find" reaches it as the exact command, and the edit button's form delivers the exact settings command.

#include "TableTestSupport.h"

#include "support/SimulatedDevice.h"
#include "support/TestNetwork.h"
#include "support/WireTexts.h"
#include "ui/dialogs/FormDialog.h"
#include "ui/table/FinderCellComponent.h"
#include "ui/table/NetCellComponent.h"

using namespace ui_test;

namespace
{
using namespace wire;

// The test thread works in its own namespace before the context starts its engine.
struct WithNetwork
{
    TestNetwork network;
};

class TableEndToEnd : protected WithNetwork, public TableFixture
{
protected:
    ~TableEndToEnd() override { context.engine.stop(); }

    bool waitForRow(const juce::String& name)
    {
        return pumpUntil([&] { return list.getNumRows() == 1 && list.getRows()[0][Ids::name].toString() == name; });
    }

    static bool waitForCommands(const SimulatedDevice& device, int port, size_t count)
    {
        return pumpUntil([&] { return commandsOn(device, port).size() >= count; });
    }

    static void fill(const OpenForm& form, const juce::StringArray& values)
    {
        const char* labels[] = { "IP Address", "Subnet Mask", "IP Gateway", "DNS 1", "DNS 2" };
        for (int i = 0; i < 5; ++i)
            form.editor(labels[i])->setText(values[i]);
    }
};
} // namespace

TEST_F(TableEndToEnd, JsonDeviceAppearsTakesFindAndGetsBothInterfacesSettings)
{
    const auto link = network.addConnectedHost();
    SimulatedDevice device(*link.host, { link.remoteAddress });
    ASSERT_TRUE(device.isRunning());

    SimulatedDevice::JsonIdentity identity;
    identity.name = "Stage Box";
    identity.model = "TMX-8";
    identity.ip = link.remoteAddress.toStdString();
    SimulatedDevice::Interface eth0;
    eth0.ip = identity.ip;
    eth0.mac = "02:00:00:00:00:01";
    eth0.mask = "255.255.255.0";
    SimulatedDevice::Interface eth1;
    eth1.name = "eth1";
    eth1.ip = "10.0.0.7";
    eth1.mask = "255.0.0.0";
    eth1.dhcp = true;
    eth1.mac = "02:00:00:00:00:02";
    identity.networks = { eth0, eth1 };
    device.setIdentity(identity);

    context.startDiscovery();
    ASSERT_TRUE(device.announceOnce());
    ASSERT_TRUE(waitForRow("Stage Box"));
    EXPECT_EQ(cell<NetCellComponent>(6)->text, link.remoteAddress);
    EXPECT_EQ(cell<NetCellComponent>(7)->text, "10.0.0.7");

    // "Find" sends the start command; the button turns to "Stop" at once, which sends the stop command.
    auto* finder = cell<FinderCellComponent>(8);
    ASSERT_NE(finder, nullptr);
    ASSERT_EQ(finder->button.getButtonText(), "Find");
    finder->button.triggerClick();
    drainMessages();
    EXPECT_EQ(finder->button.getButtonText(), "Stop");
    ASSERT_TRUE(waitForCommands(device, SimulatedDevice::jsonCommandPort, 1));
    EXPECT_EQ(commandsOn(device, SimulatedDevice::jsonCommandPort)[0].text(),
              action("02:00:00:00:00:01", 80, finderParams(true)));

    finder->button.triggerClick();
    drainMessages();
    EXPECT_EQ(finder->button.getButtonText(), "Find");
    ASSERT_TRUE(waitForCommands(device, SimulatedDevice::jsonCommandPort, 2));
    EXPECT_EQ(commandsOn(device, SimulatedDevice::jsonCommandPort)[1].text(),
              action("02:00:00:00:00:01", 80, finderParams(false)));

    // NET 1: an unusable manual address is refused with a toast and never leaves...
    auto form = openForm(6);
    ASSERT_NE(form.form, nullptr);
    ASSERT_EQ(form.mode()->getSelectedText(), "Manual");
    fill(form, { "10.231.0.300", "255.255.255.0", "", "", "" });
    press("Apply");
    EXPECT_EQ(toasts, juce::StringArray({ "Not sent: invalid IP Address" }));

    // ...a usable one arrives as the exact command for interface 0, the other interface as reported.
    form = openForm(6);
    ASSERT_NE(form.form, nullptr);
    fill(form, { "192.168.1.50", "255.255.255.0", "192.168.1.1", "192.168.1.1", "192.168.1.2" });
    press("Apply");
    ASSERT_TRUE(waitForCommands(device, SimulatedDevice::jsonCommandPort, 3));
    EXPECT_EQ(commandsOn(device, SimulatedDevice::jsonCommandPort)[2].text(),
              action("02:00:00:00:00:01", 80,
                     networkParams("192.168.1.1", "192.168.1.1", "192.168.1.2", { false, "192.168.1.50", "255.255.255.0" },
                                   { true, "10.0.0.7", "255.0.0.0" })));

    // NET 2 in DHCP mode: interface 1 carries the request, with the greyed texts as they stand.
    form = openForm(7);
    ASSERT_NE(form.form, nullptr);
    ASSERT_EQ(form.mode()->getSelectedText(), "Auto (DHCP)");
    EXPECT_TRUE(form.editor("IP Address")->isReadOnly());
    press("Apply");
    ASSERT_TRUE(waitForCommands(device, SimulatedDevice::jsonCommandPort, 4));
    EXPECT_EQ(commandsOn(device, SimulatedDevice::jsonCommandPort)[3].text(),
              action("02:00:00:00:00:01", 80, networkParams("", "", "", { false, link.remoteAddress.toStdString(),
                                                                       "255.255.255.0" },
                                                        { true, "10.0.0.7", "255.0.0.0" })));

    // "Cancel" sends nothing: the next command to arrive is the following Finder start.
    form = openForm(6);
    ASSERT_NE(form.form, nullptr);
    press("Cancel");
    finder->button.triggerClick();
    drainMessages();
    ASSERT_TRUE(waitForCommands(device, SimulatedDevice::jsonCommandPort, 5));
    const auto commands = commandsOn(device, SimulatedDevice::jsonCommandPort);
    EXPECT_EQ(commands[4].text(), action("02:00:00:00:00:01", 80, finderParams(true)));
    EXPECT_EQ(toasts.size(), 1);
}

TEST_F(TableEndToEnd, BroadcastDeviceAppearsTakesFindAndGetsItsSettings)
{
    const auto link = network.addConnectedHost();
    SimulatedDevice device(*link.host, { link.remoteAddress });
    ASSERT_TRUE(device.isRunning());

    SimulatedDevice::VeskIdentity identity;
    identity.name = "Amp Rack";
    identity.model = "XVESK-8";
    identity.host = "amp.local";
    identity.mode = 2;  // a static address: the form opens in "Manual"
    device.answerQueries(identity);

    context.startDiscovery();
    ASSERT_TRUE(waitForRow("Amp Rack"));
    // Its next reply would only come after the next query; keep the row still while we click.
    device.stopAnswering();

    EXPECT_EQ(list.getRows()[0][Ids::model].toString(), "VESK-8");
    EXPECT_EQ(cell<NetCellComponent>(6)->text, link.remoteAddress);
    EXPECT_EQ(cell<NetCellComponent>(6)->mac, "00:1A:2B:3C:4D:5E");
    EXPECT_EQ(cell<NetCellComponent>(7)->text, "N/A");
    EXPECT_FALSE(cell<NetCellComponent>(7)->editButton.isVisible());

    auto* finder = cell<FinderCellComponent>(8);
    ASSERT_NE(finder, nullptr);
    finder->button.triggerClick();
    drainMessages();
    EXPECT_EQ(finder->button.getButtonText(), "Stop");
    ASSERT_TRUE(waitForCommands(device, SimulatedDevice::veskPort, 1));
    const auto first = commandsOn(device, SimulatedDevice::veskPort)[0];
    EXPECT_EQ(first.bytes, veskFinderFrame(true));
    EXPECT_EQ(first.destination, link.remoteAddress) << "sent to the device's own address";

    auto form = openForm(6);
    ASSERT_NE(form.form, nullptr);
    ASSERT_EQ(form.mode()->getSelectedText(), "Manual");
    fill(form, { link.remoteAddress, "255.255.0.0", "10.231.0.1", "", "" });
    press("Apply");
    ASSERT_TRUE(waitForCommands(device, SimulatedDevice::veskPort, 2));
    EXPECT_EQ(commandsOn(device, SimulatedDevice::veskPort)[1].bytes,
              veskSettingsFrame(identity.mac, false, { link.remoteAddress.toStdString(), "255.255.0.0", "10.231.0.1", "", "" }));
    EXPECT_TRUE(toasts.isEmpty());
}
