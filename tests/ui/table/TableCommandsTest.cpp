// From the table to the wire: Refresh starts discovery, a simulated device of each family appears as a row,
// Find/Stop and the network-settings form reach it as exactly the texts and frames of WireTexts.h.

#include "ui/UiTestSupport.h"

#include "support/SimulatedDevice.h"
#include "support/TestNetwork.h"
#include "support/WireTexts.h"
#include "ui/table/FinderCellComponent.h"
#include "ui/table/NetCellComponent.h"

using namespace ui_test;

namespace
{
/** The control in the row of this label of the open form. */
template <typename Control>
Control* field(CustomDialogOverlay& overlay, const juce::String& label)
{
    for (auto* form : overlay.getChildren())
        if (dynamic_cast<DynamicFormComponent*>(form) != nullptr)
            for (auto* text : form->getChildren())
                if (auto* l = dynamic_cast<juce::Label*>(text); l != nullptr && l->getText() == label)
                    for (auto* control : form->getChildren())
                        if (auto* c = dynamic_cast<Control*>(control); c != nullptr && control->getY() == l->getY())
                            return c;
    return nullptr;
}

/** The commands a device got on a port, once there are at least n of them. */
std::vector<std::vector<uint8_t>> commands(SimulatedDevice& device, int port, size_t n)
{
    pumpUntil([&] { return device.received(port).size() >= n; });
    std::vector<std::vector<uint8_t>> result;
    for (const auto& datagram : device.received(port))
        result.push_back(datagram.bytes);
    return result;
}

std::vector<uint8_t> bytes(const std::string& text)
{
    return { text.begin(), text.end() };
}
} // namespace

TEST(TableCommandsTest, FinderAndSettingsFormsReachDevicesOfBothFamilies)
{
    TestNetwork network;
    const auto jsonLink = network.connect(network.addHost(), false);
    const auto veskLink = network.connect(network.addHost(), false);
    SimulatedDevice stageBox(*jsonLink.host, { jsonLink.remoteAddress });
    SimulatedDevice amp(*veskLink.host, { veskLink.remoteAddress });
    const auto boxIp = jsonLink.remoteAddress.toStdString();
    const auto announcement = [&](bool finder)
    {
        const auto text = wire::deviceInfo("Stage Box", boxIp, { wire::jsonNet(boxIp, "02:00:00:00:00:01"),
                                                               wire::jsonNet("10.0.0.7", "02:00:00:00:00:02", true,
                                                                             "255.0.0.0") });
        return finder ? juce::String(text).replace("\"finder\":false", "\"finder\":true").toStdString() : text;
    };
    wire::Vesk ampInfo;
    ampInfo.name = "Amp Rack";
    ampInfo.ip = veskLink.remoteAddress.toStdString();
    ampInfo.mode = 2;  // a static address

    // Refresh empties the table at once and starts discovery, in this test's namespace.
    Program program;
    addDevice(program.context, "left-over", "Left over", "M", "1", {}, {});
    program.click(program.header.refreshButton);
    EXPECT_EQ(program.table.getNumRows(), 0);
    EXPECT_EQ(program.footer.countText, "0 devices found");
    EXPECT_TRUE(program.toast.isVisible());
    EXPECT_EQ(program.toast.getText(), "Refreshing device list...");

    stageBox.announceEvery(1000, announcement(false));
    amp.answerQueries(wire::veskReply(ampInfo));
    ASSERT_TRUE(pumpUntil([&] { return program.names().size() == 2; }));
    const auto rowOf = [&](const char* name) { return program.names().indexOf(name); };
    const auto finder = [&](const char* name) { return &program.cell<FinderCellComponent>(8, rowOf(name))->button; };
    const auto mac0 = "02:00:00:00:00:01";

    // "Find" starts the Finder and turns into "Stop" at once; "Stop" stops it.
    program.click(*finder("Stage Box"));
    EXPECT_EQ(finder("Stage Box")->getButtonText(), "Stop");
    stageBox.announceEvery(1000, announcement(true));
    EXPECT_EQ(commands(stageBox, 1236, 1).back(), bytes(wire::action(mac0, 80, wire::finderParams(true))));
    ASSERT_TRUE(pumpUntil([&] { return finder("Stage Box")->getButtonText() == "Stop"; }));
    program.click(*finder("Stage Box"));
    EXPECT_EQ(finder("Stage Box")->getButtonText(), "Find");
    stageBox.announceEvery(1000, announcement(false));
    EXPECT_EQ(commands(stageBox, 1236, 2).back(), bytes(wire::action(mac0, 80, wire::finderParams(false))));

    // NET 2 is reported as DHCP: the form opens in "Auto (DHCP)" with the address fields locked. Cancel and a
    // click outside the card send nothing.
    const auto openForm = [&](const char* name, int column)
    {
        program.click(program.cell<NetCellComponent>(column, rowOf(name))->editButton);
        return program.overlay.isVisible();
    };
    ASSERT_TRUE(openForm("Stage Box", 7));
    EXPECT_EQ(program.dialogTitle(), "NET 2 settings");
    EXPECT_EQ(field<SegmentedControl>(program.overlay, "IP Mode")->getSelectedText(), "Auto (DHCP)");
    EXPECT_EQ(field<juce::TextEditor>(program.overlay, "IP Address")->getText(), "10.0.0.7");
    EXPECT_TRUE(field<juce::TextEditor>(program.overlay, "Subnet Mask")->isReadOnly());
    program.click(*program.dialogButton("Cancel"));
    EXPECT_FALSE(program.overlay.isVisible());
    ASSERT_TRUE(openForm("Stage Box", 7));
    program.click(program.overlay, { 5, 5 });
    EXPECT_FALSE(program.overlay.isVisible());

    // "Manual" frees the fields. Unusable addresses are refused with a toast, and the form opens again with what
    // was typed; only the mended one is sent, for interface 2, the first interface as reported.
    ASSERT_TRUE(openForm("Stage Box", 7));
    auto* mode = field<SegmentedControl>(program.overlay, "IP Mode");
    program.click(*mode, { mode->getWidth() / 4, mode->getHeight() / 2 });
    const char* labels[] = { "IP Address", "Subnet Mask", "IP Gateway", "DNS 1", "DNS 2" };
    const juce::StringArray typed { "10.0.0.70", "255.255.0", "10.0.0.1", "10.0.0.2", "" };
    for (int i = 0; i < 5; ++i)
    {
        EXPECT_FALSE(field<juce::TextEditor>(program.overlay, labels[i])->isReadOnly()) << labels[i];
        field<juce::TextEditor>(program.overlay, labels[i])->setText(typed[i]);
    }
    for (const auto* mended : { "255.255.256.0", "", "255.0.0.0" })
    {
        program.click(*program.dialogButton("Apply"));
        ASSERT_TRUE(program.overlay.isVisible()) << "refused: the form opens again";
        EXPECT_EQ(program.toast.getText(), "Not sent: invalid Subnet Mask");
        EXPECT_EQ(program.dialogTitle(), "NET 2 settings");
        EXPECT_EQ(field<SegmentedControl>(program.overlay, "IP Mode")->getSelectedText(), "Manual");
        for (int i = 0; i < 5; ++i)
            if (i != 1)
                EXPECT_EQ(field<juce::TextEditor>(program.overlay, labels[i])->getText(), typed[i]) << labels[i];
        field<juce::TextEditor>(program.overlay, "Subnet Mask")->setText(mended);
    }
    program.click(*program.dialogButton("Apply"));
    EXPECT_FALSE(program.overlay.isVisible());
    EXPECT_EQ(commands(stageBox, 1236, 3).back(),
              bytes(wire::action(mac0, 80, wire::networkParams("10.0.0.1", "10.0.0.2", "", { false, boxIp, "255.255.255.0" },
                                                               { false, "10.0.0.70", "255.0.0.0" }))));
    EXPECT_EQ(commands(stageBox, 1236, 3).size(), 3u);

    // The broadcast family: the Finder frame, then NET 1's settings frame, to the device itself.
    program.click(*finder("Amp Rack"));
    EXPECT_EQ(finder("Amp Rack")->getButtonText(), "Stop");
    EXPECT_EQ(commands(amp, SimulatedDevice::veskPort, 1).back(), wire::veskFinder(true));
    ASSERT_TRUE(openForm("Amp Rack", 6));
    EXPECT_EQ(program.dialogTitle(), "NET 1 settings");
    EXPECT_EQ(field<SegmentedControl>(program.overlay, "IP Mode")->getSelectedText(), "Manual");
    const juce::StringArray ampTyped { veskLink.remoteAddress, "255.255.0.0", "10.231.2.1", "", "" };
    for (int i = 0; i < 5; ++i)
        field<juce::TextEditor>(program.overlay, labels[i])->setText(ampTyped[i]);
    program.click(*program.dialogButton("Apply"));
    EXPECT_EQ(commands(amp, SimulatedDevice::veskPort, 2).back(),
              wire::veskSettings(ampInfo.mac, false, { ampInfo.ip, "255.255.0.0", "10.231.2.1", "", "" }));
    EXPECT_EQ(amp.received(SimulatedDevice::veskPort).back().destination, veskLink.remoteAddress);
}
