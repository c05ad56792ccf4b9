#include "DialogTestSupport.h"

#include "ui/Theme.h"
#include "ui/ToastOverlay.h"

using Access = ToastOverlayTestAccess;

namespace
{
struct Parent : juce::Component
{
    Parent()
    {
        setSize(1200, 700);
        addChildComponent(toast);
    }
    ToastOverlay toast;
};

/** Ticks until the predicate holds; returns the number of ticks, or -1 after `limit`. */
int ticksUntil(ToastOverlay& t, const std::function<bool()>& done, int limit = 1000)
{
    for (int i = 1; i <= limit; ++i)
    {
        Access::tick(t);
        if (done())
            return i;
    }
    return -1;
}
} // namespace

TEST(ToastOverlay, FadesInHoldsAndFadesOutTickByTick)
{
    Parent p;
    auto& t = p.toast;
    t.show("Copied to clipboard!", false);

    float last = t.getAlpha();
    const int fadeIn = ticksUntil(t, [&] {
        EXPECT_GE(t.getAlpha(), last);  // only ever brighter while fading in
        last = t.getAlpha();
        return Access::state(t) == 1;
    });
    EXPECT_GE(fadeIn, 9);
    EXPECT_LE(fadeIn, 12);
    EXPECT_FLOAT_EQ(t.getAlpha(), 1.0f);

    // The hold ends on its 121st tick.
    for (int i = 0; i < 120; ++i)
    {
        Access::tick(t);
        ASSERT_EQ(Access::state(t), 1) << "hold ended early at tick " << i + 1;
    }
    Access::tick(t);
    EXPECT_EQ(Access::state(t), 2);
    EXPECT_FLOAT_EQ(t.getAlpha(), 1.0f);

    last = t.getAlpha();
    const int fadeOut = ticksUntil(t, [&] {
        EXPECT_LE(t.getAlpha(), last);
        last = t.getAlpha();
        return !t.isVisible();
    });
    EXPECT_GE(fadeOut, 19);
    EXPECT_LE(fadeOut, 22);
    EXPECT_FLOAT_EQ(t.getAlpha(), 0.0f);
    EXPECT_FALSE(Access::timerRunning(t));
}

TEST(ToastOverlay, PersistentToastHoldsUntilHidden)
{
    Parent p;
    auto& t = p.toast;
    t.show("Downloading update... 10%", true);
    ASSERT_GT(ticksUntil(t, [&] { return Access::state(t) == 1; }), 0);
    for (int i = 0; i < 1000; ++i)
        Access::tick(t);
    EXPECT_EQ(Access::state(t), 1);
    EXPECT_TRUE(t.isVisible());
    EXPECT_TRUE(Access::timerRunning(t));

    // The fade-out starts from the current alpha.
    t.fadeOut();
    Access::tick(t);
    EXPECT_LT(t.getAlpha(), 1.0f);
    EXPECT_GT(ticksUntil(t, [&] { return !t.isVisible(); }), 0);
    EXPECT_FALSE(Access::timerRunning(t));
}

TEST(ToastOverlay, NewToastReplacesAPersistentOneAndEndsThePersistence)
{
    Parent p;
    auto& t = p.toast;
    t.show("Downloading update... 40%", true);
    ASSERT_GT(ticksUntil(t, [&] { return Access::state(t) == 1; }), 0);
    for (int i = 0; i < 50; ++i)
        Access::tick(t);

    t.show("Refreshing device list...", false);
    EXPECT_EQ(t.getText(), "Refreshing device list...");
    EXPECT_FALSE(t.isPersistent());
    EXPECT_FLOAT_EQ(t.getAlpha(), 0.0f);
    EXPECT_EQ(Access::state(t), 0);
    EXPECT_EQ(Access::holdTicks(t), 0);

    // It fades out in the normal time all the same.
    const int ticks = ticksUntil(t, [&] { return !t.isVisible(); });
    EXPECT_GT(ticks, 140);
    EXPECT_LT(ticks, 160);
}

TEST(ToastOverlay, PaintsCardOutlineAndTextInThemeColours)
{
    ui_test::LightThemeGuard theme;
    Parent p;
    p.toast.show("MMMM", false);
    p.toast.setAlpha(1.0f);
    const auto image = ui_test::transparentSnapshot(p.toast);

    // Background inside, outline on the edge, text on the left inside 14 px of padding.
    EXPECT_EQ(image.getPixelAt(110, 5).getARGB(), themeBackground.getARGB());
    EXPECT_GT(ui_test::countNear(image, { 20, 0, 180, 1 }, themeForeground), 150);
    EXPECT_GT(ui_test::countNear(image, { 14, 8, 80, 26 }, themeForeground), 40);
    EXPECT_EQ(ui_test::countNear(image, { 2, 8, 11, 26 }, themeForeground), 0);
    EXPECT_EQ(ui_test::countNear(image, { 120, 4, 90, 34 }, themeForeground), 0);
}

TEST(ToastOverlay, ClicksReachTheButtonBeneath)
{
    UI_REQUIRE_DISPLAY();
    juce::Component host;
    juce::TextButton beneath("beneath");
    ToastOverlay toast;
    host.setSize(400, 300);
    host.addAndMakeVisible(beneath);
    host.addChildComponent(toast);
    beneath.setBounds(150, 220, 250, 80);  // under the toast's place
    int clicks = 0;
    beneath.onClick = [&] { ++clicks; };

    ui_test::TestWindow window(host, 400, 300);
    toast.show("on top", false);
    ASSERT_EQ(toast.getBounds(), juce::Rectangle<int>(160, 238, 220, 42));
    const juce::Point<int> point(250, 258);
    EXPECT_EQ(host.getComponentAt(point), &beneath);

    window.click(point);
    EXPECT_TRUE(pumpUntil([&] { return clicks == 1; }));
}
