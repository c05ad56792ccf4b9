#include "DialogTestSupport.h"

#include "ui/CustomLookAndFeel.h"
#include "ui/Theme.h"
#include "ui/dialogs/CustomDialogOverlay.h"
#include "ui/dialogs/DynamicFormComponent.h"
#include "ui/dialogs/FormDialog.h"

using ui_test::leftClickOn;
using ui_test::pumpBriefly;

namespace
{
const juce::String dhcp = "Auto (DHCP)";

std::vector<DialogField> networkFields(bool isDhcp)
{
    std::vector<DialogField> fields { { "mode", "IP Mode", 2, isDhcp ? dhcp : "Manual", { "Manual", dhcp }, {}, {} } };
    const std::pair<const char*, const char*> rows[] = { { "ip", "IP Address" },   { "mask", "Subnet Mask" },
                                                         { "gateway", "IP Gateway" }, { "dns1", "DNS 1" },
                                                         { "dns2", "DNS 2" } };
    int n = 1;
    for (const auto& [key, label] : rows)
        fields.push_back({ key, label, 0, "10.0.0." + juce::String(n++), {}, "mode", dhcp });
    return fields;
}

const char* addressKeys[] = { "ip", "mask", "gateway", "dns1", "dns2" };

/** A form drawn with the program's look-and-feel, sized as the dialog card gives it. */
struct FormHost : juce::Component
{
    explicit FormHost(const std::vector<DialogField>& fields) : form(fields), access(form)
    {
        setLookAndFeel(&lookAndFeel);
        addAndMakeVisible(form);
        setSize(440, static_cast<int>(fields.size()) * 44);
        form.setBounds(getLocalBounds());
    }
    ~FormHost() override { setLookAndFeel(nullptr); }

    CustomLookAndFeel lookAndFeel;
    DynamicFormComponent form;
    FormTestAccess access;
};

bool isDisabled(juce::TextEditor& e)
{
    bool self = true, children = true;
    e.getInterceptsMouseClicks(self, children);
    return e.isReadOnly() && !e.isCaretVisible() && !self && !children;
}

bool isEnabledField(juce::TextEditor& e)
{
    bool self = false, children = false;
    e.getInterceptsMouseClicks(self, children);
    return !e.isReadOnly() && e.isCaretVisible() && self && children;
}

void clickSegment(SegmentedControl& c, int index)
{
    const float w = static_cast<float>(c.getWidth()) / static_cast<float>(c.options.size());
    c.mouseDown(leftClickOn(c, { w * (static_cast<float>(index) + 0.5f), 17.0f }));
}
} // namespace

TEST(FormLayout, OneRowPerFieldWith140PixelLabels)
{
    FormHost h({ { "a", "First", 0, {}, {}, {}, {} },
                 { "b", "Second", 1, "y", { "x", "y" }, {}, {} },
                 { "c", "Third", 2, "q", { "p", "q" }, {}, {} } });
    for (int row = 0; row < 3; ++row)
        EXPECT_EQ(h.access.label(static_cast<size_t>(row))->getBounds(), juce::Rectangle<int>(0, row * 44, 140, 34));
    EXPECT_EQ(h.access.editor("a")->getBounds(), juce::Rectangle<int>(140, 0, 300, 34));
    EXPECT_EQ(h.access.combo("b")->getBounds(), juce::Rectangle<int>(140, 44, 300, 34));
    EXPECT_EQ(h.access.segmented("c")->getBounds(), juce::Rectangle<int>(140, 88, 300, 34));
    EXPECT_EQ(h.access.combo("b")->getText(), "y");
    EXPECT_EQ(h.access.segmented("c")->selectedIndex, 1);
}

TEST(FormLayout, FormInTheDialogCardTakesTheDetailPlace)
{
    CustomDialogOverlay overlay;
    overlay.setBounds(0, 0, 1200, 700);
    showFormDialogImpl(overlay, "NET 1 settings", "Demo device", networkFields(false),
                       { { 0, "Cancel", 1 }, { 1, "Apply", 0 } }, 0, {}, {});
    DialogOverlayTestAccess access(overlay);
    ASSERT_NE(access.form(), nullptr);
    const auto m = overlay.measureLayout(500.0f);
    EXPECT_FLOAT_EQ(m.formHeight, 264.0f);
    EXPECT_FALSE(m.hasDetail);
    EXPECT_EQ(access.card(), juce::Rectangle<float>(350, 125, 500, 450));
    EXPECT_EQ(access.form()->getX(), 380);
    EXPECT_EQ(access.form()->getWidth(), 440);
    EXPECT_NEAR(access.form()->getHeight(), 264, 1);
    EXPECT_FALSE(access.detailViewport().isVisible());
    EXPECT_FALSE(access.linkRow().isVisible());
    EXPECT_TRUE(access.message().isVisible());
    EXPECT_EQ(access.buttons()[1]->getBounds().getBottom(), 125 + 450 - 30);
}

TEST(FormFieldStates, DhcpGreysTheAddressFieldsAndKeepsTheirTexts)
{
    ui_test::LightThemeGuard theme;
    FormHost h(networkFields(true));
    auto* mode = h.access.segmented("mode");
    ASSERT_NE(mode, nullptr);
    EXPECT_EQ(mode->selectedIndex, 1);

    for (auto* key : addressKeys)
    {
        auto* e = h.access.editor(key);
        ASSERT_NE(e, nullptr);
        EXPECT_TRUE(isDisabled(*e)) << key;
        EXPECT_NEAR(e->findColour(juce::TextEditor::textColourId).getFloatAlpha(), 0.5f, 0.01f);
        EXPECT_NEAR(e->findColour(juce::TextEditor::outlineColourId).getFloatAlpha(), 0.4f, 0.01f);
        EXPECT_EQ(e->findColour(juce::TextEditor::focusedOutlineColourId), themeForeground);
        EXPECT_EQ(e->findColour(juce::TextEditor::backgroundColourId), themeBackground);
        // Never hidden, never disabled as a component.
        EXPECT_TRUE(e->isVisible());
        EXPECT_TRUE(e->isEnabled());
        // Clicks on it land on the form instead.
        const auto centre = e->getBounds().getCentre();
        EXPECT_EQ(h.form.getComponentAt(centre), &h.form) << key;
    }

    clickSegment(*mode, 0);
    for (auto* key : addressKeys)
    {
        auto* e = h.access.editor(key);
        EXPECT_TRUE(isEnabledField(*e)) << key;
        EXPECT_EQ(e->findColour(juce::TextEditor::textColourId), themeForeground);
        EXPECT_EQ(e->findColour(juce::TextEditor::outlineColourId), themeForeground);
        EXPECT_NE(h.form.getComponentAt(e->getBounds().getCentre()), &h.form);
    }

    h.access.editor("ip")->setText("192.168.1.50");
    clickSegment(*mode, 1);
    for (auto* key : addressKeys)
        EXPECT_TRUE(isDisabled(*h.access.editor(key))) << key;
    EXPECT_EQ(h.access.editor("ip")->getText(), "192.168.1.50");
    EXPECT_EQ(h.access.editor("dns2")->getText(), "10.0.0.5");
}

TEST(FormFieldStates, GreyedFieldIsPaintedFainter)
{
    ui_test::LightThemeGuard theme;
    FormHost h(networkFields(true));
    auto* ip = h.access.editor("ip");
    ip->setText("MMMMMMMM");
    h.form.updateFieldStates();  // applies the colour to the new text too
    auto* mask = h.access.editor("mask");
    mask->setText("MMMMMMMM");

    auto inkOf = [&](juce::TextEditor& e) {
        const auto image = ui_test::transparentSnapshot(h);
        const auto b = e.getBounds();
        const auto outline = image.getPixelAt(b.getCentreX(), b.getY());
        const int darkText = ui_test::countNear(image, { b.getX() + 12, b.getY() + 8, 100, 18 }, themeForeground, 30);
        return std::make_pair(outline, darkText);
    };

    const auto [greyOutline, greyText] = inkOf(*ip);
    clickSegment(*h.access.segmented("mode"), 0);
    const auto [fullOutline, fullText] = inkOf(*ip);

    // Outline at 0.4 of the foreground over the background; full ink once enabled.
    EXPECT_NEAR(fullOutline.getRed(), themeForeground.getRed(), 12);
    EXPECT_NEAR(greyOutline.getRed(),
                themeForeground.getRed() * 0.4 + themeBackground.getRed() * 0.6, 15);
    EXPECT_LT(greyText, 3);
    EXPECT_GT(fullText, 40);
}

TEST(FormFieldStates, DropDownChangesReEvaluateTheFields)
{
    FormHost h({ { "proto", "Protocol", 1, "Static", { "Static", "DHCP" }, {}, {} },
                 { "ip", "IP Address", 0, "10.1.1.1", {}, "proto", "DHCP" },
                 { "free", "Note", 0, "x", {}, {}, {} } });
    auto* ip = h.access.editor("ip");
    EXPECT_TRUE(isEnabledField(*ip));
    h.access.combo("proto")->setSelectedItemIndex(1, juce::sendNotificationSync);
    EXPECT_TRUE(isDisabled(*ip));
    EXPECT_TRUE(isEnabledField(*h.access.editor("free")));
    h.access.combo("proto")->setSelectedItemIndex(0, juce::sendNotificationSync);
    EXPECT_TRUE(isEnabledField(*ip));
}

TEST(FormValues, ReportedByKey)
{
    FormHost h({ { "mode", "Mode", 2, "nope", { "Manual", dhcp }, {}, {} },
                 { "proto", "Protocol", 1, "B", { "A", "B" }, {}, {} },
                 { "ip", "IP", 0, "1.2.3.4", {}, {}, {} },
                 { "odd", "Odd", 7, "ignored", {}, {}, {} },
                 { "dup", "Dup 1", 0, "first", {}, {}, {} },
                 { "dup", "Dup 2", 0, "second", {}, {}, {} } });
    auto values = h.form.getValues();
    EXPECT_EQ(values.size(), 5u);
    EXPECT_EQ(values["mode"], "Manual");  // not among the options: the first
    EXPECT_EQ(values["proto"], "B");
    EXPECT_EQ(values["ip"], "1.2.3.4");
    EXPECT_EQ(values["odd"], juce::String());
    EXPECT_EQ(values["dup"], "second");
    EXPECT_EQ(h.access.labelCount(), 6u);

    h.access.editor("ip")->setText("");
    clickSegment(*h.access.segmented("mode"), 1);
    values = h.form.getValues();
    EXPECT_EQ(values["ip"], juce::String());
    EXPECT_EQ(values["mode"], dhcp);
}

TEST(FormTheme, ThemeSwitchRecoloursAndKeepsEachFieldsState)
{
    ui_test::LightThemeGuard theme;
    FormHost h(networkFields(true));
    h.access.editor("gateway")->setText("10.9.9.9");

    applyTheme(1);
    h.sendLookAndFeelChange();

    for (size_t i = 0; i < h.access.labelCount(); ++i)
        EXPECT_EQ(h.access.label(i)->findColour(juce::Label::textColourId), offWhite);
    for (auto* key : addressKeys)
    {
        auto* e = h.access.editor(key);
        EXPECT_TRUE(isDisabled(*e)) << key;
        EXPECT_EQ(e->findColour(juce::TextEditor::textColourId), offWhite.withAlpha(0.5f));
        EXPECT_EQ(e->findColour(juce::TextEditor::backgroundColourId), nearBlack);
        EXPECT_EQ(e->findColour(juce::TextEditor::outlineColourId), offWhite.withAlpha(0.4f));
    }
    EXPECT_EQ(h.access.segmented("mode")->selectedIndex, 1);
    EXPECT_EQ(h.form.getValues()["gateway"], "10.9.9.9");

    // The segmented control paints from the new theme.
    const auto image = ui_test::transparentSnapshot(*h.access.segmented("mode"));
    EXPECT_EQ(image.getPixelAt(160, 4).getARGB(), offWhite.getARGB());

    clickSegment(*h.access.segmented("mode"), 0);
    EXPECT_EQ(h.access.editor("ip")->findColour(juce::TextEditor::textColourId), offWhite);
}

TEST(FormDialog, ButtonsReportTheirIdAndTheValues)
{
    CustomDialogOverlay overlay;
    overlay.setBounds(0, 0, 1200, 700);
    int result = -1;
    bool visibleInCallback = true;
    std::map<juce::String, juce::String> received;
    showFormDialogImpl(overlay, "NET 2 settings", "Demo", networkFields(false),
                       { { 0, "Cancel", 1 }, { 1, "Apply", 0 } }, 0,
                       [&](int id, const std::map<juce::String, juce::String>& values) {
                           result = id;
                           received = values;
                           visibleInCallback = overlay.isVisible();
                       },
                       {});
    DialogOverlayTestAccess access(overlay);
    FormTestAccess form(*access.form());
    form.editor("dns1")->setText("");
    access.buttons()[1]->triggerClick();
    EXPECT_TRUE(pumpUntil([&] { return result != -1; }));
    EXPECT_EQ(result, 1);
    EXPECT_FALSE(visibleInCallback);
    EXPECT_EQ(received["mode"], "Manual");
    EXPECT_EQ(received["ip"], "10.0.0.1");
    EXPECT_EQ(received["dns1"], juce::String());
    EXPECT_EQ(received.size(), 6u);
    // The form stays alive (hidden) until the next dialog.
    ASSERT_NE(access.form(), nullptr);
    EXPECT_EQ(access.form()->getValues()["ip"], "10.0.0.1");
}

TEST(FormDialog, OutsideClickReportsTheDismissIdWithTheValues)
{
    CustomDialogOverlay overlay;
    overlay.setBounds(0, 0, 1200, 700);
    int result = -1;
    std::map<juce::String, juce::String> received;
    showFormDialogImpl(overlay, "NET 1 settings", {}, networkFields(true), { { 0, "Cancel", 1 }, { 1, "Apply", 0 } },
                       0,
                       [&](int id, const std::map<juce::String, juce::String>& values) {
                           result = id;
                           received = values;
                       },
                       {});
    overlay.mouseDown(leftClickOn(overlay, { 5.0f, 5.0f }));
    EXPECT_EQ(result, 0);
    EXPECT_EQ(received["mode"], dhcp);
    EXPECT_FALSE(overlay.isVisible());
}

TEST(FormDialog, DisabledFieldIgnoresRealClicksInAWindow)
{
    UI_REQUIRE_DISPLAY();
    ui_test::LightThemeGuard theme;
    CustomLookAndFeel lookAndFeel;
    CustomDialogOverlay overlay;
    overlay.setLookAndFeel(&lookAndFeel);
    ui_test::TestWindow window(overlay, 1200, 700);
    showFormDialogImpl(overlay, "NET 1 settings", "Demo", networkFields(true), { { 0, "Cancel", 1 }, { 1, "Apply", 0 } },
                       0, {}, {});
    DialogOverlayTestAccess access(overlay);
    FormTestAccess form(*access.form());
    auto* ip = form.editor("ip");
    auto* mode = form.segmented("mode");
    auto centreOf = [&](juce::Component& c) { return window.top().getLocalPoint(&c, c.getLocalBounds().getCentre()); };

    // Counts the mouse presses that reach the field itself (or its children).
    struct PressCounter : juce::MouseListener
    {
        void mouseDown(const juce::MouseEvent&) override { ++presses; }
        int presses = 0;
    } counter;
    ip->addMouseListener(&counter, true);

    window.click(centreOf(*ip));
    pumpBriefly();
    EXPECT_EQ(counter.presses, 0);
    EXPECT_TRUE(ip->isReadOnly());
    EXPECT_TRUE(overlay.isVisible());

    // "Manual" is the left segment.
    const auto modeLeft = window.top().getLocalPoint(mode, juce::Point<int>(mode->getWidth() / 4, 17));
    window.click(modeLeft);
    EXPECT_TRUE(pumpUntil([&] { return !ip->isReadOnly(); }));
    window.click(centreOf(*ip));
    EXPECT_TRUE(pumpUntil([&] { return counter.presses == 1; }));
    ip->removeMouseListener(&counter);

    // Focus leaving a field clears its selection. The loss is delivered directly: on an X server shared
    // with other test processes, which window holds the keyboard focus is not ours to decide.
    ip->selectAll();
    ASSERT_FALSE(ip->getHighlightedRegion().isEmpty());
    ip->focusLost(juce::Component::focusChangedByMouseClick);
    EXPECT_TRUE(pumpUntil([&] { return ip->getHighlightedRegion().isEmpty(); }));

    overlay.setLookAndFeel(nullptr);
}
