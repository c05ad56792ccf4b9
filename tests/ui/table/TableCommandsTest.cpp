// From the table to the wire: Refresh starts discovery, a simulated device of each family appears as a row,
// Find/Stop and the network-settings form reach it as exactly the texts and frames of WireTexts.h.

#include "ui/UiTestSupport.h"

#include "support/SimulatedDevice.h"
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
    auto& form = partOf<DynamicFormComponent>(overlay);
    for (auto* row : form.getChildren())
        if (auto* text = dynamic_cast<juce::Label*>(row); text != nullptr && text->getText() == label)
            for (auto* control : form.getChildren())
                if (auto* c = dynamic_cast<Control*>(control); c != nullptr && control->getY() == row->getY())
                    return c;
    throw std::runtime_error("no form field " + label.toStdString());
}

/** The last command a device got on a port, once it has n of them. */
std::vector<uint8_t> command(SimulatedDevice& device, int port, size_t n)
{
    if (! pumpUntil([&] { return device.received(port).size() >= n; }))
        return {};
    EXPECT_EQ(device.received(port).size(), n);
    return device.received(port)[n - 1].bytes;
}
} // namespace

TEST(TableCommandsTest, FinderAndSettingsFormsReachDevicesOfBothFamilies)
{
    Program program;
    const auto jsonLink = program.network.connect(program.network.addHost(), false);
    const auto veskLink = program.network.connect(program.network.addHost(), false);
    SimulatedDevice stageBox(*jsonLink.host, { jsonLink.remoteAddress });
    SimulatedDevice amp(*veskLink.host, { veskLink.remoteAddress });
    const auto boxIp = jsonLink.remoteAddress.toStdString();
    const auto net1 = wire::jsonNet(boxIp, "02:00:00:00:00:01");
    const auto net2 = wire::jsonNet("10.0.0.7", "02:00:00:00:00:02", true, "255.0.0.0");
    const juce::String finderOff = wire::deviceInfo("Stage Box", boxIp, { net1, net2 });
    // With its Finder on the device also reports new firmware, so the table shows when it has heard that.
    const auto finderOn = finderOff.replace("\"finder\":false", "\"finder\":true")
                              .replace("\"fw\":\"1.0.0\"", "\"fw\":\"1.0.1\"");
    // A VESK device with a static address (mode 2).
    const wire::Vesk ampInfo { "XVESK-8", "Amp Rack", { 0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E }, 2,
                               veskLink.remoteAddress.toStdString() };

    // Refresh empties the table at once and starts discovery again, now with the links to the devices.
    addDevice(program.context, "left-over", "Left over", "M", "1", {}, {});
    program.click(program.header.refreshButton);
    EXPECT_EQ(program.footer.countText, "0 devices found");
    EXPECT_TRUE(program.toast.isVisible());
    EXPECT_EQ(program.toast.getText(), "Refreshing device list...");

    // A device heard while the table is searched and sorted by NET 2 lands where its NET 2 address puts it.
    addDevice(program.context, "desk", "Desk", "M", "1", { "10.231.9.9" }, { "10.0.0.5" });
    program.header.searchBox.editor.setText("10.0.0", true);
    program.clickColumn(7);
    program.clickColumn(7);
    stageBox.announceEvery(1000, finderOff.toStdString());
    ASSERT_TRUE(pumpUntil([&] { return program.footer.countText == "2 devices found"; }));
    EXPECT_EQ(program.names(), juce::StringArray({ "Stage Box", "Desk" }));
    program.click(program.header.searchBox.clearButton);
    amp.answerQueries(wire::veskReply(ampInfo));
    ASSERT_TRUE(pumpUntil([&] { return program.names().size() == 3; }));

    const auto row = [&](const char* name) { return program.names().indexOf(name); };
    const auto finder = [&](const char* name) { return &program.cell<FinderCellComponent>(8, row(name))->button; };
    const auto version = [&] { return program.table.getRows()[(size_t) row("Stage Box")][Ids::version].toString(); };
    const auto mac0 = "02:00:00:00:00:01";

    // "Find" turns into "Stop" at once, and back (the commands' bytes are the end-to-end session's to check).
    program.click(*finder("Stage Box"));
    EXPECT_EQ(finder("Stage Box")->getButtonText(), "Stop");
    stageBox.announceEvery(1000, finderOn.toStdString());
    ASSERT_TRUE(pumpUntil([&] { return version() == "1.0.1" && finder("Stage Box")->getButtonText() == "Stop"; }));
    program.click(*finder("Stage Box"));
    EXPECT_EQ(finder("Stage Box")->getButtonText(), "Find");
    stageBox.announceEvery(1000, finderOff.toStdString());

    // NET 2 is reported as DHCP: its form opens in "Auto (DHCP)" with the address fields locked. Cancel and a
    // click outside the card send nothing.
    const auto openForm = [&](const char* name, int column)
    {
        program.click(program.cell<NetCellComponent>(column, row(name))->editButton);
        return program.overlay.isVisible();
    };
    const auto text = [&](const char* label) { return field<juce::TextEditor>(program.overlay, label); };
    const char* labels[] = { "IP Address", "Subnet Mask", "IP Gateway", "DNS 1", "DNS 2" };
    const auto fill = [&](const juce::StringArray& values)
    {
        for (int i = 0; i < 5; ++i)
            text(labels[i])->setText(values[i]);
    };
    ASSERT_TRUE(openForm("Stage Box", 7));
    EXPECT_EQ(program.dialogTitle(), "NET 2 settings");
    EXPECT_EQ(partOf<juce::Label>(program.overlay).getText(), "Stage Box");
    EXPECT_EQ(text("IP Address")->getText(), "10.0.0.7");
    for (const auto* label : labels)  // locked: read-only, the text at alpha 0.5 and the outline at 0.4
        EXPECT_TRUE(text(label)->isReadOnly()
                    && text(label)->findColour(juce::TextEditor::textColourId) == juce::Colour(0x80131313)
                    && text(label)->findColour(juce::TextEditor::outlineColourId) == juce::Colour(0x66131313)) << label;
    program.click(program.dialogButton("Cancel"));
    ASSERT_TRUE(openForm("Stage Box", 7));
    program.click(program.overlay, { 5, 5 });
    EXPECT_FALSE(program.overlay.isVisible());

    // "Manual" frees the fields. Unusable addresses are refused with a toast and the form opens again with what
    // was typed; only the mended one is sent, for interface 2, with interface 1 as reported.
    ASSERT_TRUE(openForm("Stage Box", 7));
    auto* mode = field<SegmentedControl>(program.overlay, "IP Mode");
    program.click(*mode, { mode->getWidth() / 4, mode->getHeight() / 2 });
    const juce::StringArray typed { "10.0.0.70", "255.255.0", "10.0.0.1", "10.0.0.2", "" };
    for (const auto* label : labels)
        EXPECT_FALSE(text(label)->isReadOnly()) << label;
    fill(typed);
    for (const auto* mended : { "255.255.256.0", "", "255.0.0.0" })
    {
        program.click(program.dialogButton("Apply"));
        ASSERT_TRUE(program.overlay.isVisible()) << "refused: the form opens again";
        EXPECT_EQ(program.toast.getText(), "Not sent: invalid Subnet Mask");
        EXPECT_EQ(program.dialogTitle(), "NET 2 settings");
        EXPECT_EQ(field<SegmentedControl>(program.overlay, "IP Mode")->getSelectedText(), "Manual");
        for (int i : { 0, 2, 3, 4 })
            EXPECT_EQ(text(labels[i])->getText(), typed[i]) << labels[i];
        text("Subnet Mask")->setText(mended);
    }
    program.click(program.dialogButton("Apply"));
    EXPECT_FALSE(program.overlay.isVisible());
    const auto sent = wire::networkParams("10.0.0.1", "10.0.0.2", "", { false, boxIp, "255.255.255.0" },
                                          { false, "10.0.0.70", "255.0.0.0" });
    EXPECT_EQ(command(stageBox, 1236, 3), wire::bytes(wire::action(mac0, 80, sent)));

    // The broadcast family: the Finder, then NET 1's settings frame.
    program.click(*finder("Amp Rack"));
    EXPECT_EQ(finder("Amp Rack")->getButtonText(), "Stop");
    ASSERT_TRUE(openForm("Amp Rack", 6));
    EXPECT_EQ(program.dialogTitle(), "NET 1 settings");
    EXPECT_EQ(field<SegmentedControl>(program.overlay, "IP Mode")->getSelectedText(), "Manual");
    fill({ veskLink.remoteAddress, "255.255.0.0", "10.231.2.1", "", "" });
    program.click(program.dialogButton("Apply"));
    EXPECT_EQ(command(amp, SimulatedDevice::veskPort, 2),
              wire::veskSettings(ampInfo.mac, false, { ampInfo.ip, "255.255.0.0", "10.231.2.1", "", "" }));

    // Nor to a device that reports this machine's own address: refused, and the user hears why.
    auto ownAddress = ampInfo;
    ownAddress.ip = veskLink.localAddress.toStdString();
    amp.answerQueries(wire::veskReply(ownAddress));
    const auto shownNet1 = [&] { return program.cell<NetCellComponent>(6, row("Amp Rack"))->text; };
    ASSERT_TRUE(pumpUntil([&] { return shownNet1() == veskLink.localAddress; }));
    ASSERT_TRUE(openForm("Amp Rack", 6));
    program.click(program.dialogButton("Apply"));
    EXPECT_FALSE(program.overlay.isVisible());
    EXPECT_EQ(program.toast.getText(), "Not sent: address of this machine");
    EXPECT_EQ(amp.received(SimulatedDevice::veskPort).size(), 2u);

    // Settings for a device that leaves the table while its form is open cannot go anywhere, and the user hears so.
    ASSERT_TRUE(openForm("Desk", 6));
    auto devices = program.context.appState.getChildWithName(Ids::DeviceList);
    devices.removeChild(devices.getChildWithProperty(Ids::id, "desk"), nullptr);
    program.click(program.dialogButton("Apply"));
    EXPECT_EQ(program.toast.getText(), "Not sent: device not found");
}
