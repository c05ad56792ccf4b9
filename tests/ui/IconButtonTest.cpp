#include "UiTestSupport.h"

#include "ui/EmbeddedResources.h"
#include "ui/IconButtonComponent.h"
#include "ui/Theme.h"

using namespace ui_test;

namespace
{
struct IconButtonFixture : ::testing::Test
{
    void SetUp() override
    {
        applyTheme(0);
        button.icon = EmbeddedResources::refreshIconSvg();
        button.updateIcon();
        button.setBounds(10, 10, 35, 35);
        button.onClick = [this] { ++clicks; };
    }

    IconButtonComponent button;
    int clicks = 0;
};
} // namespace

TEST_F(IconButtonFixture, ClicksOnPressAndReleaseWithEitherButtonButNotAfterADrag)
{
    UI_REQUIRE_DISPLAY();
    TestWindow window(button, 100, 100);
    Mouse mouse(window);
    const juce::Point<int> centre(27, 27);

    mouse.click(centre);
    EXPECT_EQ(clicks, 1);

    mouse.click(centre, {}, juce::ModifierKeys::rightButtonModifier);
    EXPECT_EQ(clicks, 2);

    // Pressed, dragged well past the drag threshold and released over the button: no click.
    mouse.press(centre);
    mouse.drag({ 40, 40 });
    mouse.drag({ 20, 20 });
    mouse.release({ 20, 20 });
    EXPECT_EQ(clicks, 2);

    // A press alone does nothing until the release.
    mouse.press(centre);
    EXPECT_EQ(clicks, 2);
    mouse.release(centre);
    EXPECT_EQ(clicks, 3);
}

TEST_F(IconButtonFixture, ActiveButtonIsDrawnInverted)
{
    button.setBounds(0, 0, 35, 35);
    auto plain = snapshot(button);
    // Inside the body, away from the icon and the outline.
    EXPECT_TRUE(nearer(plain.getPixelAt(6, 17), themeBackground, themeForeground));

    button.active = true;
    button.updateIcon();
    auto inverted = snapshot(button);
    EXPECT_TRUE(nearer(inverted.getPixelAt(6, 17), themeForeground, themeBackground));

    // The icon itself switches to the background colour on the filled body.
    EXPECT_GT(countNear(inverted, { 11, 11, 13, 13 }, themeBackground), 5);
    EXPECT_GT(countNear(plain, { 11, 11, 13, 13 }, themeForeground), 5);
}
