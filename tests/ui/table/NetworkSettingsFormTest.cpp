#include "TableTestSupport.h"
#include "ui/DialogTestSupport.h"

#include "ui/SegmentedControl.h"
#include "ui/dialogs/CustomDialogOverlay.h"
#include "ui/dialogs/FormDialog.h"
#include "ui/dialogs/NetworkSettingsForm.h"
#include "ui/table/NetCellComponent.h"

using namespace ui_test;

namespace
{
class NetworkSettingsFormTest : public TableFixture
{
protected:
    OpenForm openFormOf(int column, const DeviceDescription& desc)
    {
        addDevice(context, desc);
        auto open = openForm(column);
        EXPECT_TRUE(overlay.isVisible());
        return open;
    }

    void clickMode(SegmentedControl& mode, int segment)
    {
        const float x = mode.getWidth() * (segment + 0.5f) / 2.0f;
        mode.mouseDown(leftClickOn(mode, { x, mode.getHeight() / 2.0f }));
    }

    static DeviceDescription amp()
    {
        auto desc = device("amp-1", "Amp Rack", "192.168.1.7", "10.10.0.7");
        desc.net0.mask = "255.255.255.0";
        desc.net0.gateway = "192.168.1.1";
        desc.net1.dhcp = true;
        desc.net1.mask = "255.255.0.0";
        return desc;
    }
};

const char* const addressLabels[] = { "IP Address", "Subnet Mask", "IP Gateway", "DNS 1", "DNS 2" };
} // namespace

TEST_F(NetworkSettingsFormTest, ManualInterfaceOpensWithEditableFields)
{
    const auto open = openFormOf(6, amp());
    ASSERT_NE(open.form, nullptr);
    EXPECT_EQ(open.labels, juce::StringArray({ "IP Mode", "IP Address", "Subnet Mask", "IP Gateway", "DNS 1", "DNS 2" }));

    auto* mode = open.mode();
    ASSERT_NE(mode, nullptr);
    EXPECT_EQ(mode->options, juce::StringArray({ "Manual", "Auto (DHCP)" }));
    EXPECT_EQ(mode->getSelectedText(), "Manual");

    EXPECT_EQ(open.editor("IP Address")->getText(), "192.168.1.7");
    EXPECT_EQ(open.editor("Subnet Mask")->getText(), "255.255.255.0");
    EXPECT_EQ(open.editor("IP Gateway")->getText(), "192.168.1.1");
    for (auto* label : addressLabels)
        EXPECT_FALSE(open.editor(label)->isReadOnly()) << label;
}

TEST_F(NetworkSettingsFormTest, DhcpGreysTheFiveAddressFieldsAndManualFreesThem)
{
    const auto open = openFormOf(7, amp());
    ASSERT_NE(open.form, nullptr);
    DialogOverlayTestAccess dialog(overlay);
    EXPECT_EQ(dialog.title().titleLabel.getText(), "NET 2 settings");
    EXPECT_EQ(dialog.message().getText(), "Amp Rack");
    auto* mode = open.mode();
    ASSERT_NE(mode, nullptr);
    EXPECT_EQ(mode->getSelectedText(), "Auto (DHCP)");

    // The five address fields follow the mode (the form tests cover how a greyed field looks and behaves).
    for (auto* label : addressLabels)
        EXPECT_TRUE(open.editor(label)->isReadOnly()) << label;
    EXPECT_EQ(open.editor("IP Address")->getText(), "10.10.0.7");

    clickMode(*mode, 0);
    EXPECT_EQ(mode->getSelectedText(), "Manual");
    for (auto* label : addressLabels)
        EXPECT_FALSE(open.editor(label)->isReadOnly()) << label;
    clickMode(*mode, 1);
    EXPECT_TRUE(open.editor("DNS 1")->isReadOnly());
}

TEST_F(NetworkSettingsFormTest, CancelAndOutsideClickCheckAndSendNothing)
{
    auto open = openFormOf(6, amp());
    ASSERT_NE(open.form, nullptr);
    open.editor("Subnet Mask")->setText("255.255.0");

    press("Cancel");
    EXPECT_FALSE(overlay.isVisible());
    EXPECT_TRUE(toasts.isEmpty()) << "Cancel sends nothing and checks nothing";

    open = openFormOf(6, amp());
    open.editor("Subnet Mask")->setText("255.255.0");
    overlay.mouseDown(leftClickOn(overlay, { 3.0f, 3.0f }));
    EXPECT_FALSE(overlay.isVisible());
    EXPECT_TRUE(toasts.isEmpty()) << "a click outside the card counts as Cancel";
}

TEST_F(NetworkSettingsFormTest, RefusedApplyKeepsTheFormOpenWithWhatWasTyped)
{
    // NET 2 is stored as DHCP: the user switches to Manual and types, with an unusable mask.
    auto open = openFormOf(7, amp());
    ASSERT_NE(open.form, nullptr);
    clickMode(*open.mode(), 0);
    const juce::StringArray typed { "10.10.0.70", "255.255.0", "10.10.0.1", "", "dns.example" };
    for (int i = 0; i < 5; ++i)
        open.editor(addressLabels[i])->setText(typed[i]);

    press("Apply");
    EXPECT_EQ(toasts, juce::StringArray({ "Not sent: invalid Subnet Mask" }));
    ASSERT_TRUE(overlay.isVisible());
    const auto again = findForm(overlay);
    ASSERT_NE(again.form, nullptr);
    EXPECT_EQ(again.mode()->getSelectedText(), "Manual");
    for (int i = 0; i < 5; ++i)
    {
        EXPECT_EQ(again.editor(addressLabels[i])->getText(), typed[i]) << addressLabels[i];
        EXPECT_FALSE(again.editor(addressLabels[i])->isReadOnly()) << addressLabels[i];
    }
    DialogOverlayTestAccess dialog(overlay);
    EXPECT_EQ(dialog.title().titleLabel.getText(), "NET 2 settings");
    EXPECT_EQ(dialog.message().getText(), "Amp Rack");

    // Mended, it passes the check: no second toast, and the dialog closes.
    again.editor("Subnet Mask")->setText("255.255.0.0");
    again.editor("DNS 2")->setText("");
    press("Apply");
    EXPECT_FALSE(overlay.isVisible());
    EXPECT_EQ(toasts.size(), 1);
}

TEST_F(NetworkSettingsFormTest, DhcpModeSendsWithoutCheckingTheGreyedTexts)
{
    auto desc = amp();
    desc.net1.mask = "not a mask";
    const auto open = openFormOf(7, desc);
    ASSERT_NE(open.form, nullptr);

    press("Apply");
    EXPECT_FALSE(overlay.isVisible());
    // Handed to the engine (which has never heard of the device and so refuses silently).
    EXPECT_TRUE(toasts.isEmpty());
}

TEST_F(NetworkSettingsFormTest, FirstInvalidFieldIsNamedInFormOrder)
{
    const NetworkSettingsTarget target { &list, "amp-1", 0, "Auto (DHCP)" };
    std::map<juce::String, juce::String> good { { "mode", "Manual" },   { "ip", "10.0.0.2" },
                                                { "mask", "255.0.0.0" }, { "gateway", "" },
                                                { "dns1", "" },          { "dns2", "8.8.4.4" } };
    EXPECT_EQ(firstInvalidNetworkField(good), "");

    // Every field from the i-th on is unusable: the i-th is named.
    const char* const keys[] = { "ip", "mask", "gateway", "dns1", "dns2" };
    for (int i = 0; i < 5; ++i)
    {
        auto values = good;
        for (int j = i; j < 5; ++j)
            values[keys[j]] = j == i ? "300.1.1.1" : "10.0.0";

        toasts.clear();
        applyNetworkSettingsForm(target, 1, values);
        EXPECT_EQ(toasts, juce::StringArray({ juce::String("Not sent: invalid ") + addressLabels[i] })) << keys[i];
    }

    // Address and mask may not be empty; the other three may.
    auto empty = good;
    empty["ip"] = "";
    EXPECT_EQ(firstInvalidNetworkField(empty), "IP Address");
    empty = good;
    empty["mask"] = "";
    EXPECT_EQ(firstInvalidNetworkField(empty), "Subnet Mask");

    // Only "Apply" (1) does anything.
    toasts.clear();
    auto bad = good;
    bad["ip"] = "x";
    applyNetworkSettingsForm(target, 0, bad);
    applyNetworkSettingsForm(target, 7, bad);
    EXPECT_TRUE(toasts.isEmpty());
}

TEST(NetworkAddressCheck, AcceptsOnlyDottedDecimalIPv4)
{
    for (const char* good : { "0.0.0.0", "255.255.255.255", "192.168.1.10", "10.0.0.1", "001.02.3.004" })
        EXPECT_TRUE(isDottedDecimalIPv4(good)) << good;

    for (const char* bad : { "", "1.2.3", "1.2.3.4.5", "256.1.1.1", "1.2.3.300", "1..2.3", ".1.2.3", "1.2.3.",
                             " 1.2.3.4", "1.2.3.4 ", "1.2.3.4\n", "a.b.c.d", "1.2.3.-4", "1.2.3.4/24",
                             "0x1.2.3.4", "1.2.3.0004", "１.2.3.4", "1,2,3,4" })
        EXPECT_FALSE(isDottedDecimalIPv4(juce::String::fromUTF8(bad))) << bad;
}
