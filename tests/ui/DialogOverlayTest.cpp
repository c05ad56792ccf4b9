#include "DialogTestSupport.h"

#include "ui/EmbeddedResources.h"
#include "ui/Theme.h"
#include "ui/dialogs/CustomDialogOverlay.h"
#include "ui/dialogs/FormDialog.h"

#include <cmath>

using ui_test::leftClickOn;
using ui_test::pumpBriefly;

namespace
{
const std::vector<DialogAction> okOnly { { 1, "OK", 0 } };

/** An overlay of a given size, shown in a parent as the main layout does it. */
struct Host : juce::Component
{
    explicit Host(int w = 1200, int h = 700)
    {
        setSize(w, h);
        addChildComponent(overlay);
        overlay.setBounds(getLocalBounds());
    }

    void message(const juce::String& title, const juce::String& msg, const juce::String& detail,
                 const std::vector<DialogAction>& actions = okOnly, int dismissId = 0,
                 std::function<void(int)> cb = {}, IconSource icon = {}, const juce::String& linkText = {},
                 const juce::String& linkUrl = {})
    {
        overlay.showMessageDialog(title, msg, detail, actions, dismissId, std::move(cb), icon, linkText, linkUrl);
    }

    CustomDialogOverlay overlay;
    DialogOverlayTestAccess access { overlay };
};

juce::String manyLines(int n)
{
    juce::StringArray lines;
    for (int i = 0; i < n; ++i)
        lines.add("Line " + juce::String(i));
    return lines.joinIntoString("\n");
}

juce::Rectangle<int> buttonBounds(Host& h, int index)
{
    return h.access.buttons()[index]->getBounds();
}
} // namespace

// ---- card layout ----

TEST(DialogOverlay, TitleAndOneButtonMakeA500By140CardInTheCentre)
{
    Host h;
    h.message("About", {}, {});
    EXPECT_TRUE(h.overlay.isVisible());
    EXPECT_EQ(h.access.card(), juce::Rectangle<float>(350, 280, 500, 140));
    EXPECT_EQ(h.access.title().getBounds(), juce::Rectangle<int>(380, 310, 440, 30));
    EXPECT_EQ(buttonBounds(h, 0), juce::Rectangle<int>(525, 360, 150, 30));
    EXPECT_FALSE(h.access.message().isVisible());
    EXPECT_FALSE(h.access.detailViewport().isVisible());
    EXPECT_FALSE(h.access.linkRow().isVisible());
}

TEST(DialogOverlay, LinkRowAddsSeventyPixels)
{
    Host h;
    h.message("Update", {}, {}, okOnly, 0, {}, {}, "example.org/setup", "https://example.org/setup");
    EXPECT_EQ(h.access.card(), juce::Rectangle<float>(350, 245, 500, 210));
    ASSERT_TRUE(h.access.linkRow().isVisible());
    // Title 30, 20 gap, link row 30, 40 gap, buttons.
    EXPECT_EQ(h.access.linkRow().getBounds(), juce::Rectangle<int>(380, 325, 440, 30));
    EXPECT_EQ(buttonBounds(h, 0).getY(), 395);

    // The link text takes its own width from the left, 40 px stay empty, then the 150-pixel button.
    auto& row = h.access.linkRow();
    const int textWidth = row.linkLabel.getFont().getStringWidth("example.org/setup");
    EXPECT_EQ(row.linkLabel.getBounds(), juce::Rectangle<int>(0, 0, textWidth, 30));
    EXPECT_EQ(row.openButton.getBounds(), juce::Rectangle<int>(textWidth + 40, 0, 150, 30));
    EXPECT_EQ(row.openButton.getButtonText(), "Open in new tab");
}

TEST(DialogOverlay, MessageAndDetailLinesAddTheirHeights)
{
    Host h;
    h.message("About", "Version 1.00", {});
    auto m = h.overlay.measureLayout(500.0f);
    EXPECT_TRUE(m.hasMessage);
    EXPECT_NEAR(m.messageHeight, 20.4f, 1e-4f);
    EXPECT_NEAR(m.totalHeight, 166.4f, 1e-4f);
    EXPECT_EQ(h.access.card().getHeight(), 166.0f);  // truncated to whole pixels
    EXPECT_TRUE(h.access.message().isVisible());

    h.message("About", {}, "Short");
    m = h.overlay.measureLayout(500.0f);
    EXPECT_FLOAT_EQ(m.detailHeight, 17.0f);
    EXPECT_FLOAT_EQ(m.totalHeight, 177.0f);
    EXPECT_TRUE(h.access.detailViewport().isVisible());
    EXPECT_FALSE(h.access.message().isVisible());
}

TEST(DialogOverlay, NarrowOverlayGivesA352PixelCard)
{
    Host h(400, 700);
    h.message("About", {}, {});
    EXPECT_EQ(h.access.card().getWidth(), 352.0f);
    EXPECT_EQ(h.access.card().getX(), 24.0f);
}

TEST(DialogOverlay, ButtonWidthsDependOnTheirNumber)
{
    Host h;
    h.message("Two", {}, {}, { { 0, "Later", 1 }, { 1, "Install", 0 } });
    EXPECT_EQ(buttonBounds(h, 0), juce::Rectangle<int>(445, 360, 150, 30));
    EXPECT_EQ(buttonBounds(h, 1), juce::Rectangle<int>(605, 360, 150, 30));

    h.message("Three", {}, {}, { { 0, "Later", 1 }, { 1, "Now", 0 }, { 2, "On exit", 2 } });
    ASSERT_EQ(h.access.buttons().size(), 3);
    EXPECT_EQ(buttonBounds(h, 0), juce::Rectangle<int>(395, 360, 130, 30));
    EXPECT_EQ(buttonBounds(h, 1), juce::Rectangle<int>(535, 360, 130, 30));
    EXPECT_EQ(buttonBounds(h, 2), juce::Rectangle<int>(675, 360, 130, 30));
}

TEST(DialogOverlay, TallDetailWidensTheCardThenScrollsWholeLines)
{
    Host h;
    h.message("Release notes", {}, manyLines(60));
    // 60 short lines never fit in 652 px: the card widens to 900, then the detail area shrinks to
    // floor((652 - 160) / 17) = 28 lines.
    EXPECT_EQ(h.access.card(), juce::Rectangle<float>(150, 32, 900, 636));
    auto& viewport = h.access.detailViewport();
    EXPECT_EQ(viewport.getHeight(), 476);
    EXPECT_EQ(viewport.getWidth(), 840);
    EXPECT_TRUE(viewport.getVerticalScrollBar().isVisible());
    EXPECT_FALSE(viewport.getHorizontalScrollBar().isVisible());
    // Laid out 8 px narrower for the scroll bar, at its full height.
    EXPECT_EQ(h.access.detail().getWidth(), 832);
    EXPECT_EQ(h.access.detail().getHeight(), 1020);
    EXPECT_EQ(viewport.getViewPosition(), juce::Point<int>(0, 0));
}

TEST(DialogOverlay, DetailAreaKeepsAtLeastThreeLines)
{
    Host h(600, 200);
    h.message("Release notes", {}, manyLines(10));
    // maxHeight 152 leaves room for none, but the area is bounded by 60 px before rounding: 51.
    EXPECT_EQ(h.access.detailViewport().getHeight(), 51);
    EXPECT_EQ(h.access.card(), juce::Rectangle<float>(24, -5, 552, 211));
}

TEST(DialogOverlay, WideningStopsAtTheFirstWidthThatFits)
{
    Host h(1200, 300);
    const juce::Font font(17.0f, juce::Font::plain);
    juce::String paragraph;
    while (font.getStringWidthFloat(paragraph) < 2800.0f)
        paragraph << "word" << juce::String(paragraph.length() % 7) << " ";
    h.message("Notes", {}, paragraph.trimEnd());

    const float width = h.access.card().getWidth();
    ASSERT_GT(width, 500.0f);
    ASSERT_LT(width, 900.0f);
    EXPECT_EQ(static_cast<int>(width - 500.0f) % 20, 0);
    EXPECT_LE(h.overlay.measureLayout(width).totalHeight, 252.0f);
    EXPECT_GT(h.overlay.measureLayout(width - 20.0f).totalHeight, 252.0f);
    EXPECT_FALSE(h.access.detailViewport().getVerticalScrollBar().isVisible());
}

// ---- detail text ----

TEST(DialogDetailText, EmptyLinesAddHalfALine)
{
    DialogMessageComponent d;
    d.text = "one\n\ntwo";
    EXPECT_FLOAT_EQ(d.layoutText(nullptr, 400.0f), 42.5f);
    d.text = "one\n";
    EXPECT_FLOAT_EQ(d.layoutText(nullptr, 400.0f), 25.5f);
    d.text = "\r";  // no special meaning: one line of text
    EXPECT_FLOAT_EQ(d.layoutText(nullptr, 400.0f), 17.0f);

    Host h;
    h.message("Notes", {}, "one\n\ntwo");
    EXPECT_FLOAT_EQ(h.overlay.measureLayout(500.0f).detailHeight, 43.0f);
}

TEST(DialogDetailText, BulletLinesStartEightPixelsLowerAndIndented)
{
    DialogMessageComponent d;
    d.text = juce::CharPointer_UTF8("  \xe2\x80\xa2   item");
    EXPECT_FLOAT_EQ(d.layoutText(nullptr, 400.0f), 25.0f);
    d.text = juce::CharPointer_UTF8("plain\n\xe2\x80\xa2 item");
    EXPECT_FLOAT_EQ(d.layoutText(nullptr, 400.0f), 42.0f);

    // Painted: nothing in the gap above the bullet; the bullet between x 8 and 28; the text from x 28.
    ui_test::LightThemeGuard theme;
    d.text = juce::CharPointer_UTF8("\xe2\x80\xa2 MMMM");
    d.setSize(200, 30);
    const auto image = ui_test::transparentSnapshot(d);
    EXPECT_EQ(ui_test::countNear(image, { 0, 0, 200, 8 }, themeForeground, 90), 0);
    EXPECT_EQ(ui_test::countNear(image, { 0, 0, 8, 30 }, themeForeground, 90), 0);
    EXPECT_GT(ui_test::countNear(image, { 8, 8, 20, 17 }, themeForeground, 90), 4);
    EXPECT_GT(ui_test::countNear(image, { 28, 8, 60, 17 }, themeForeground, 90), 40);
}

TEST(DialogDetailText, WordWrapKeepsLongWordsWhole)
{
    DialogMessageComponent d;
    const float twoWords = d.font.getStringWidthFloat("alpha beta");
    EXPECT_EQ(d.wrapLine("alpha beta gamma", twoWords), juce::StringArray({ "alpha beta", "gamma" }));
    EXPECT_EQ(d.wrapLine("alpha beta gamma", twoWords - 1.0f), juce::StringArray({ "alpha", "beta", "gamma" }));
    // A word wider than the limit stands alone and overflows.
    EXPECT_EQ(d.wrapLine("a extraordinarily b", 20.0f), juce::StringArray({ "a", "extraordinarily", "b" }));
    // Runs of spaces survive; an empty line still yields one line.
    EXPECT_EQ(d.wrapLine("a  b", 1000.0f), juce::StringArray({ "a  b" }));
    EXPECT_EQ(d.wrapLine({}, 100.0f), juce::StringArray({ "" }));

    // Bullet items wrap 28 px narrower.
    d.text = juce::CharPointer_UTF8("\xe2\x80\xa2 alpha beta");
    EXPECT_FLOAT_EQ(d.layoutText(nullptr, twoWords + 28.0f), 25.0f);
    EXPECT_FLOAT_EQ(d.layoutText(nullptr, twoWords + 27.0f), 42.0f);
}

// ---- title row ----

// ---- clicks ----

TEST(DialogOverlay, ButtonClickHidesTheOverlayBeforeTheCallback)
{
    Host h;
    int result = -100;
    bool visibleInCallback = true;
    h.message("Two", {}, {}, { { 7, "Later", 1 }, { 9, "Install", 0 } }, 0, [&](int id) {
        result = id;
        visibleInCallback = h.overlay.isVisible();
    });
    h.access.buttons()[1]->triggerClick();
    EXPECT_TRUE(pumpUntil([&] { return result != -100; }));
    EXPECT_EQ(result, 9);
    EXPECT_FALSE(visibleInCallback);
    EXPECT_FALSE(h.overlay.isVisible());
    // The buttons stay until the next dialog.
    EXPECT_EQ(h.access.buttons().size(), 2);
}

TEST(DialogOverlay, ClicksInsideOnTheEdgeAndOutsideTheCard)
{
    Host h;
    std::vector<int> results;
    h.message("About", {}, {}, okOnly, 0, [&](int id) { results.push_back(id); });

    // The card's empty inset and its last pixel column/row are inside.
    h.overlay.mouseDown(leftClickOn(h.overlay, { 355.0f, 285.0f }));
    h.overlay.mouseDown(leftClickOn(h.overlay, { 849.9f, 419.9f }));
    EXPECT_TRUE(h.overlay.isVisible());
    EXPECT_TRUE(results.empty());

    // Exactly on the right edge is outside.
    h.overlay.mouseDown(leftClickOn(h.overlay, { 850.0f, 300.0f }));
    EXPECT_FALSE(h.overlay.isVisible());
    EXPECT_EQ(results, std::vector<int>({ 0 }));

    // So is the bottom edge.
    h.message("About", {}, {}, okOnly, 0, [&](int id) { results.push_back(id); });
    h.overlay.mouseDown(leftClickOn(h.overlay, { 400.0f, 420.0f }));
    EXPECT_FALSE(h.overlay.isVisible());
    EXPECT_EQ(results, std::vector<int>({ 0, 0 }));

    // The dismiss id is reported after hiding; -1 keeps the dialog open and reports nothing.
    bool visibleInCallback = true;
    h.message("About", {}, {}, okOnly, 3, [&](int id) {
        results.push_back(id);
        visibleInCallback = h.overlay.isVisible();
    });
    h.overlay.mouseDown(leftClickOn(h.overlay, { 10.0f, 690.0f }));
    EXPECT_EQ(results.back(), 3);
    EXPECT_FALSE(visibleInCallback);
    h.message("About", {}, {}, okOnly, -1, [&](int id) { results.push_back(id); });
    h.overlay.mouseDown(leftClickOn(h.overlay, { 10.0f, 10.0f }));
    EXPECT_TRUE(h.overlay.isVisible());
    EXPECT_EQ(results.size(), 3u);
}

TEST(DialogOverlay, MessageDialogReplacesAnOpenFormAndDropsItsCallback)
{
    Host h;
    int formCalls = 0;
    std::vector<int> messageResults;
    showFormDialogImpl(h.overlay, "NET 1 settings", "Device", { { "ip", "IP Address", 0, "10.0.0.2", {}, {}, {} } },
                       { { 0, "Cancel", 1 }, { 1, "Apply", 0 } }, 0,
                       [&](int, const std::map<juce::String, juce::String>&) { ++formCalls; }, {});
    ASSERT_NE(h.access.form(), nullptr);
    juce::Component::SafePointer<juce::Component> oldForm(h.access.form());

    h.message("About", {}, {}, okOnly, 0, [&](int id) { messageResults.push_back(id); });
    EXPECT_EQ(oldForm.getComponent(), nullptr);
    EXPECT_EQ(h.access.form(), nullptr);
    EXPECT_EQ(h.access.card().getHeight(), 140.0f);

    h.overlay.mouseDown(leftClickOn(h.overlay, { 1.0f, 1.0f }));
    EXPECT_EQ(messageResults, std::vector<int>({ 0 }));
    EXPECT_EQ(formCalls, 0);
}

// A result callback may open the next dialog while the pressed button's click is still running.
TEST(DialogOverlay, CallbackOpeningANewDialogKeepsThePressedButtonAlive)
{
    Host h;
    juce::Component::SafePointer<DialogButton> pressed;
    bool pressedAliveAfterReplace = false;
    bool pressedStillAChild = true;
    std::vector<int> secondResults;

    h.message("First", {}, {}, { { 0, "Back", 1 }, { 1, "Next", 0 } }, 0, [&](int id) {
        auto capture = std::make_shared<int>(id);  // touched after the new dialog replaced the buttons
        h.message("Second", {}, {}, { { 5, "Close", 0 } }, 0, [&](int next) { secondResults.push_back(next); });
        pressedAliveAfterReplace = pressed != nullptr;
        pressedStillAChild = pressed != nullptr && pressed->getParentComponent() != nullptr;
        EXPECT_EQ(*capture, 1);
    });
    pressed = h.access.buttons()[1];
    pressed->triggerClick();

    EXPECT_TRUE(pumpUntil([&] { return pressed == nullptr; }));  // deleted once the click has returned
    EXPECT_TRUE(pressedAliveAfterReplace);
    EXPECT_FALSE(pressedStillAChild);
    EXPECT_TRUE(h.overlay.isVisible());
    ASSERT_EQ(h.access.buttons().size(), 1);
    EXPECT_EQ(h.access.buttons()[0]->getButtonText(), "Close");
    EXPECT_EQ(h.access.title().titleLabel.getText(), "Second");

    h.access.buttons()[0]->triggerClick();
    EXPECT_TRUE(pumpUntil([&] { return !secondResults.empty(); }));
    EXPECT_EQ(secondResults, std::vector<int>({ 5 }));
}

TEST(DialogOverlay, FormCallbackOpeningAnotherFormKeepsTheButtonAlive)
{
    Host h;
    juce::Component::SafePointer<DialogButton> pressed;
    bool alive = false;
    std::map<juce::String, juce::String> firstValues;
    const std::vector<DialogField> fields { { "ip", "IP Address", 0, "10.0.0.2", {}, {}, {} } };

    showFormDialogImpl(h.overlay, "NET 1 settings", {}, fields, { { 1, "Apply", 0 } }, 0,
                       [&](int, const std::map<juce::String, juce::String>& values) {
                           showFormDialogImpl(h.overlay, "NET 2 settings", {}, fields, { { 1, "Apply", 0 } }, 0, {},
                                              {});
                           alive = pressed != nullptr;
                           firstValues = values;  // still valid: the map outlives the replaced form
                       },
                       {});
    pressed = h.access.buttons()[0];
    pressed->triggerClick();
    EXPECT_TRUE(pumpUntil([&] { return pressed == nullptr; }));
    EXPECT_TRUE(alive);
    EXPECT_EQ(firstValues["ip"], "10.0.0.2");
    EXPECT_EQ(h.access.title().titleLabel.getText(), "NET 2 settings");
    EXPECT_TRUE(h.overlay.isVisible());
}

// ---- in a real window ----

TEST(DialogOverlay, SwallowsClicksAndIgnoresEscapeInAWindow)
{
    UI_REQUIRE_DISPLAY();
    juce::Component host;
    juce::TextButton beneath("beneath");
    CustomDialogOverlay overlay;
    host.setSize(800, 600);
    host.addAndMakeVisible(beneath);
    host.addChildComponent(overlay);
    beneath.setBounds(0, 0, 200, 100);
    int beneathClicks = 0;
    beneath.onClick = [&] { ++beneathClicks; };

    ui_test::TestWindow window(host, 800, 600);
    overlay.setBounds(host.getLocalBounds());
    int calls = 0;
    overlay.showMessageDialog("About", {}, {}, okOnly, -1, [&](int) { ++calls; }, {}, {}, {});

    // Part of the window, never one of its own.
    EXPECT_FALSE(overlay.isOnDesktop());
    EXPECT_EQ(overlay.getPeer(), window.peer());

    window.click({ 50, 50 });
    pumpBriefly();
    EXPECT_EQ(beneathClicks, 0);
    EXPECT_TRUE(overlay.isVisible());

    window.peer()->handleKeyPress(juce::KeyPress(juce::KeyPress::escapeKey));
    pumpBriefly();
    EXPECT_TRUE(overlay.isVisible());
    EXPECT_EQ(calls, 0);

    // A real click on the button closes it.
    DialogOverlayTestAccess access(overlay);
    window.click(access.buttons()[0]->getBounds().getCentre());
    EXPECT_TRUE(pumpUntil([&] { return calls == 1; }));
    EXPECT_FALSE(overlay.isVisible());
}

// ---- painting ----

TEST(DialogOverlay, PaintsBackdropCardAndOutline)
{
    ui_test::LightThemeGuard theme;
    Host h;
    h.message("About", {}, {});
    const auto image = h.overlay.createComponentSnapshot(h.overlay.getLocalBounds(), false, 1.0f);
    const auto backdrop = image.getPixelAt(10, 10);
    EXPECT_EQ(backdrop.getAlpha(), 0x99);
    EXPECT_NEAR(backdrop.getRed(), 0x13, 2);
    EXPECT_NEAR(backdrop.getBlue(), 0x13, 2);
    EXPECT_EQ(image.getPixelAt(360, 300).getARGB(), themeBackground.getARGB());
    EXPECT_GT(ui_test::countNear(image, { 370, 280, 460, 1 }, themeForeground), 400);
}

