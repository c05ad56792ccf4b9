#include "DialogTestSupport.h"

#include "ui/SegmentedControl.h"
#include "ui/Theme.h"

using ui_test::leftClickOn;

namespace
{
struct Fixture
{
    Fixture(juce::StringArray options, int width, int selected = 0)
    {
        control.options = std::move(options);
        control.selectedIndex = selected;
        control.setSize(width, 34);
        control.onChange = [this](const juce::String& text) { changes.add(text); };
    }

    void clickAt(float x) { control.mouseDown(leftClickOn(control, { x, 17.0f })); }

    SegmentedControl control;
    juce::StringArray changes;
};

int inkInColumn(const juce::Image& image, int x, int top, int bottom, juce::Colour colour)
{
    return ui_test::countNear(image, { x - 1, top, 3, bottom - top }, colour, 60);
}
} // namespace

TEST(SegmentedControl, ClickSelectsTheSegmentUnderThePointerAndTheRightEdgeTheLast)
{
    Fixture f({ "Manual", "Auto (DHCP)" }, 200);
    f.clickAt(99.9f);
    EXPECT_TRUE(f.changes.isEmpty());  // already selected: no callback
    f.clickAt(100.0f);
    EXPECT_EQ(f.changes, juce::StringArray({ "Auto (DHCP)" }));
    f.clickAt(0.0f);
    EXPECT_EQ(f.control.getSelectedText(), "Manual");
    f.clickAt(200.0f);
    EXPECT_EQ(f.control.selectedIndex, 1);
    EXPECT_EQ(f.changes.size(), 3);

    Fixture three({ "a", "b", "c" }, 300);
    three.clickAt(300.0f);
    EXPECT_EQ(three.control.selectedIndex, 2);
    three.clickAt(150.0f);
    EXPECT_EQ(three.control.selectedIndex, 1);
    three.clickAt(-5.0f);  // left of the control clamps to the first
    EXPECT_EQ(three.control.selectedIndex, 0);
}

TEST(SegmentedControl, DisabledOrEmptyControlIgnoresClicks)
{
    juce::Component parent;
    Fixture f({ "Manual", "Auto (DHCP)" }, 200);
    parent.addAndMakeVisible(f.control);
    parent.setEnabled(false);
    f.clickAt(150.0f);
    EXPECT_EQ(f.control.selectedIndex, 0);
    EXPECT_TRUE(f.changes.isEmpty());

    Fixture empty({}, 200);
    empty.clickAt(150.0f);
    EXPECT_EQ(empty.control.selectedIndex, 0);
    EXPECT_EQ(empty.control.getSelectedText(), juce::String());
    EXPECT_TRUE(empty.changes.isEmpty());
}

TEST(SegmentedControl, DividersOnlyFromThreeSegments)
{
    ui_test::LightThemeGuard theme;
    // No selection drawn, so only dividers can ink the boundaries (rows above the text).
    Fixture two({ "a", "b" }, 300, 9);
    const auto twoImage = ui_test::transparentSnapshot(two.control);
    EXPECT_EQ(inkInColumn(twoImage, 150, 3, 9, themeForeground), 0);

    Fixture three({ "a", "b", "c" }, 300, 9);
    const auto threeImage = ui_test::transparentSnapshot(three.control);
    EXPECT_GT(inkInColumn(threeImage, 100, 3, 9, themeForeground), 5);
    EXPECT_GT(inkInColumn(threeImage, 200, 3, 9, themeForeground), 5);
    EXPECT_EQ(inkInColumn(threeImage, 150, 3, 9, themeForeground), 0);
}

TEST(SegmentedControl, DisabledControlIsDrawnFaintWithFullTexts)
{
    ui_test::LightThemeGuard theme;
    juce::Component parent;
    Fixture f({ "MMM", "WWW" }, 200, 0);
    parent.addAndMakeVisible(f.control);
    const int enabledAlpha = ui_test::transparentSnapshot(f.control).getPixelAt(10, 4).getAlpha();
    parent.setEnabled(false);
    const auto image = ui_test::transparentSnapshot(f.control);
    EXPECT_EQ(enabledAlpha, 255);
    EXPECT_NEAR(image.getPixelAt(10, 4).getAlpha(), 89, 2);  // 0.35 of full
    // The unselected text keeps full alpha.
    int opaqueText = 0;
    for (int y = 8; y < 26; ++y)
        for (int x = 110; x < 190; ++x)
            opaqueText += image.getPixelAt(x, y).getAlpha() == 255;
    EXPECT_GT(opaqueText, 5);
}
