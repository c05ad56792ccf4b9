#include "UiTestSupport.h"

#include "app/AppContext.h"
#include "app/AppStateIds.h"
#include "app/ShellTestSupport.h"
#include "ui/FooterComponent.h"
#include "ui/Theme.h"

using namespace ui_test;

namespace
{
juce::ValueTree makeDevice(const juce::String& id, bool tarn)
{
    juce::ValueTree device(AppStateIds::Device);
    device.setProperty(AppStateIds::id, id, nullptr);
    device.setProperty(AppStateIds::name, "Unit " + id, nullptr);
    device.setProperty(AppStateIds::isTarn, tarn, nullptr);
    return device;
}

struct FooterFixture : ::testing::Test
{
    void SetUp() override { applyTheme(0); }
    void TearDown() override { applyTheme(0); }

    juce::ValueTree devices() { return context.appState.getChildWithName(AppStateIds::DeviceList); }

    ScopedUserFolders folders;
    AppContext context;
};
} // namespace

TEST_F(FooterFixture, CountTextFollowsTheWholeStateTree)
{
    FooterComponent footer(context);
    EXPECT_EQ(footer.countText, "0 devices found");

    devices().appendChild(makeDevice("a", false), nullptr);
    EXPECT_EQ(footer.countText, "1 device found");

    devices().appendChild(makeDevice("b", true), nullptr);
    EXPECT_EQ(footer.countText, "2 devices found");

    // Property changes are no additions.
    devices().getChild(0).setProperty(AppStateIds::name, "Renamed", nullptr);
    EXPECT_EQ(footer.countText, "2 devices found");

    devices().removeChild(0, nullptr);
    EXPECT_EQ(footer.countText, "1 device found");

    // What a refresh does.
    devices().appendChild(makeDevice("c", false), nullptr);
    devices().removeAllChildren(nullptr);
    EXPECT_EQ(footer.countText, "0 devices found");

    // Devices that were there before the footer count, interfaces beneath them do not.
    devices().appendChild(makeDevice("x", false), nullptr);
    devices().appendChild(makeDevice("y", true), nullptr);
    FooterComponent later(context);
    EXPECT_EQ(later.countText, "2 devices found");
    devices().getChild(0).appendChild(juce::ValueTree(AppStateIds::NetworkInterface), nullptr);
    EXPECT_EQ(later.countText, "2 devices found");
}

TEST_F(FooterFixture, BurstOfAdditionsIsRecountedAtOnceAndRepaintedOnceOnALaterTurn)
{
    FooterComponent footer(context);
    footer.setBounds(0, 0, 1200, 30);
    pumpUntil([&] { return !footer.isUpdatePending(); });

    // One device with its two interfaces: three notifications, three recounts, one pending repaint.
    auto device = makeDevice("burst", false);
    devices().appendChild(device, nullptr);
    device.appendChild(juce::ValueTree(AppStateIds::NetworkInterface), nullptr);
    device.appendChild(juce::ValueTree(AppStateIds::NetworkInterface), nullptr);
    EXPECT_EQ(footer.countText, "1 device found");
    EXPECT_TRUE(footer.isUpdatePending()) << "painting waits for the message loop";

    EXPECT_TRUE(pumpUntil([&] { return !footer.isUpdatePending(); }));
}

TEST_F(FooterFixture, DestroyedFooterWithAPendingRepaintStopsListening)
{
    auto footer = std::make_unique<FooterComponent>(context);
    devices().appendChild(makeDevice("a", false), nullptr);
    ASSERT_TRUE(footer->isUpdatePending());
    footer.reset();
    devices().appendChild(makeDevice("b", false), nullptr);
    pumpBriefly();
}

TEST_F(FooterFixture, ButtonsSitAtTheRightEndOfA1200By30Footer)
{
    FooterComponent footer(context);
    footer.setBounds(0, 0, 1200, 30);
    EXPECT_EQ(footer.infoButton.getBounds(), juce::Rectangle<int>(1160, 5, 20, 20));
    EXPECT_EQ(footer.themeToggle.getBounds(), juce::Rectangle<int>(1136, 5, 20, 20));

    // The layout's 28 px strip.
    footer.setBounds(0, 0, 800, 28);
    EXPECT_EQ(footer.infoButton.getBounds(), juce::Rectangle<int>(760, 4, 20, 20));
}

TEST_F(FooterFixture, ToggleShowsASunInTheLightThemeAndACrescentInTheDark)
{
    FooterComponent footer(context);
    footer.setBounds(0, 0, 1200, 30);

    auto light = snapshot(footer.themeToggle);
    // Sun: a filled core at the centre, a gap, then the rays (one of them runs right from x 14.6 to 16.7).
    EXPECT_TRUE(nearer(light.getPixelAt(10, 10), themeForeground, themeBackground));
    EXPECT_TRUE(nearer(light.getPixelAt(6, 10), themeBackground, themeForeground));
    EXPECT_TRUE(nearer(light.getPixelAt(15, 10), themeForeground, themeBackground));

    applyTheme(1);
    auto dark = snapshot(footer.themeToggle);
    // Crescent: the left part of the disc is lit, the centre is cut away, nothing out at the ray.
    EXPECT_TRUE(nearer(dark.getPixelAt(6, 10), themeForeground, themeBackground));
    EXPECT_TRUE(nearer(dark.getPixelAt(11, 9), themeBackground, themeForeground));
    EXPECT_TRUE(nearer(dark.getPixelAt(16, 10), themeBackground, themeForeground));
}

