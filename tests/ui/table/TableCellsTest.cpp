#include "TableTestSupport.h"
#include "support/LogCapture.h"

#include "ui/table/FinderCellComponent.h"
#include "ui/table/LinkCellComponent.h"
#include "ui/table/NameCellComponent.h"
#include "ui/table/NetCellComponent.h"

using namespace ui_test;

namespace
{
using TableCells = TableFixture;

/** The right-most column in which any pixel differs from the background. */
int rightmostInk(const juce::Image& image)
{
    for (int x = image.getWidth() - 1; x >= 0; --x)
        for (int y = 0; y < image.getHeight(); ++y)
            if (image.getPixelAt(x, y) != themeBackground)
                return x;
    return -1;
}
} // namespace

TEST(NameCellTest, HostIsAFilledPillGuestAnOutlineAndOthersNoBadge)
{
    ScopedLookAndFeel lookAndFeel;
    NameCellComponent name;
    name.setSize(300, 50);
    name.name = "Desk";
    const auto nameWidth = juce::Font(17.0f).getStringWidthFloat("Desk");
    const int badgeX = (int) std::ceil(nameWidth + 8.0f);
    const juce::Rectangle<int> badgeArea(badgeX, 0, 300 - badgeX, 50);

    name.isTarn = true;
    name.isHost = true;
    const auto host = snapshot(name);
    EXPECT_GT(countNear(host, badgeArea, mintGreen, 10), 300) << "filled in the button colour";
    // Just inside the pill's left end, level with its middle: the fill.
    EXPECT_TRUE(host.getPixelAt(badgeX + 6, 25) == mintGreen) << host.getPixelAt(badgeX + 6, 25).toString();

    name.isHost = false;
    const auto guest = snapshot(name);
    EXPECT_EQ(countNear(guest, badgeArea, mintGreen, 10), 0);
    EXPECT_TRUE(guest.getPixelAt(badgeX + 6, 25) == themeBackground) << "no fill";
    EXPECT_LT(darkest(guest, badgeArea.withHeight(14).withTrimmedTop(10)), 160) << "outline along the top";

    name.isTarn = false;
    const auto plain = snapshot(name);
    EXPECT_LT(rightmostInk(plain), badgeX) << "nothing after the name";
}

TEST(NameCellTest, LongNameGivesWayToTheBadge)
{
    ScopedLookAndFeel lookAndFeel;
    NameCellComponent name;
    name.setSize(220, 50);
    name.name = "A very long device name that cannot possibly fit in this column";
    name.isTarn = true;
    name.isHost = true;

    const auto image = snapshot(name);
    // The badge ends 12 pixels before the cell's right edge, so the name ended 8 pixels before it.
    const int ink = rightmostInk(image);
    EXPECT_GE(ink, 220 - 12 - 2);
    EXPECT_LE(ink, 220 - 12);
    EXPECT_TRUE(image.getPixelAt(ink - 2, 25) == mintGreen);

    const auto badgeWidth = juce::Font(13.0f).getStringWidthFloat("HOST") + 16.0f;
    const int gapStart = (int) std::ceil(220 - 12 - badgeWidth - 8) + 1;
    EXPECT_EQ(countNear(image, { gapStart, 0, 6, 50 }, themeForeground, 100), 0) << "the 8-pixel gap stays clear";

    // Without a badge the name may use the whole width less 12.
    name.isTarn = false;
    EXPECT_LE(rightmostInk(snapshot(name)), 220 - 12);
    EXPECT_GT(rightmostInk(snapshot(name)), 220 - 12 - 30);
}

TEST_F(TableCells, LinkCellOpensOnLeftClickAndCopiesOnRightClick)
{
    auto desc = device("1", "Desk");
    desc.webAccess = "http://desk.example:8080/ui";
    addDevice(context, desc);

    auto* link = cell<LinkCellComponent>(5);
    ASSERT_NE(link, nullptr);
    EXPECT_EQ(link->url, "http://desk.example:8080/ui");

    {
        FakeBrowser browser;
        LogCapture log;
        link->mouseDown(leftClickOn(*link));
        EXPECT_TRUE(log.lines().contains("Launching http://desk.example:8080/ui"));
        ASSERT_TRUE(pumpUntil([&] { return browser.opened().size() == 1; }));
        EXPECT_EQ(browser.opened()[0], "http://desk.example:8080/ui");
    }
    EXPECT_TRUE(toasts.isEmpty());

    if (displayAvailable())
    {
        link->mouseDown(rightClickOn(*link));
        EXPECT_EQ(juce::SystemClipboard::getTextFromClipboard(), "http://desk.example:8080/ui");
        EXPECT_EQ(toasts, juce::StringArray({ "Copied to clipboard!" }));

        // Without a toast callback the copy still happens, silently.
        context.showToast = nullptr;
        juce::SystemClipboard::copyTextToClipboard("something else");
        link->mouseDown(rightClickOn(*link));
        EXPECT_EQ(juce::SystemClipboard::getTextFromClipboard(), "http://desk.example:8080/ui");
    }
}

TEST_F(TableCells, NetCellsShowDashesNotAvailableOrTheAddress)
{
    auto desc = device("1", "Desk", "0.0.0.0", "");
    desc.net0.mac = "00:11:22:33:44:55";
    auto node = addDevice(context, desc);

    auto* net1 = cell<NetCellComponent>(6);
    auto* net2 = cell<NetCellComponent>(7);
    ASSERT_NE(net1, nullptr);
    ASSERT_NE(net2, nullptr);
    EXPECT_EQ(net1->text, "---");
    EXPECT_EQ(net1->mac, "00:11:22:33:44:55");
    EXPECT_FALSE(net1->editButton.isVisible());
    EXPECT_EQ(net2->text, "N/A");
    EXPECT_EQ(net2->mac, "");
    EXPECT_FALSE(net2->editButton.isVisible());

    // The MAC is drawn in the fixed grey under the text, also under "---".
    const int h1 = (int) std::ceil(juce::Font(17.0f).getHeight());
    const int h2 = (int) std::ceil(juce::Font(13.0f).getHeight());
    const int top = juce::jmax(0, (net1->getHeight() - h1 - h2) / 2);
    const auto withMac = snapshot(*net1);
    EXPECT_LT(darkest(withMac, { 0, top, net1->getWidth(), h1 }), 60) << "the text in the foreground colour";
    const auto macLine = darkest(withMac, { 0, top + h1, net1->getWidth(), h2 });
    EXPECT_NEAR(macLine, neutralGrey.getRed(), 25) << "the MAC in grey, never darker";

    // Any address starting with "0" counts as none.
    auto iface = node.getChildWithProperty(Ids::interfaceIndex, 0);
    iface.setProperty(Ids::ip, "0.1.2.3", nullptr);
    EXPECT_EQ(net1->text, "---");

    iface.setProperty(Ids::ip, "192.168.10.200", nullptr);
    EXPECT_EQ(net1->text, "192.168.10.200");
    ASSERT_TRUE(net1->editButton.isVisible());

    // The button sits 8 pixels after the longer line and never leaves the cell.
    const auto w17 = juce::Font(17.0f).getStringWidth("192.168.10.200");
    const auto w13 = juce::Font(13.0f).getStringWidth("00:11:22:33:44:55");
    EXPECT_EQ(net1->editButton.getBounds(),
              juce::Rectangle<int>(juce::jmin(juce::jmax(w17, w13) + 8, net1->getWidth() - 24),
                                   (net1->getHeight() - 24) / 2, 24, 24));

    // A missing interface child reads as empty.
    node.removeChild(node.getChildWithProperty(Ids::interfaceIndex, 1), nullptr);
    net2 = cell<NetCellComponent>(7);
    ASSERT_NE(net2, nullptr);
    EXPECT_EQ(net2->text, "N/A");
    EXPECT_FALSE(net2->editButton.isVisible());
}

TEST_F(TableCells, EditButtonOnlyWhereTheUnitIsNotATarnHost)
{
    auto host = device("h", "Host", "10.0.0.1", "10.0.1.1");
    host.isTarn = host.isHost = true;
    auto guest = device("g", "Guest", "10.0.0.2");
    guest.isTarn = true;
    auto loneHost = device("x", "Not tarn", "10.0.0.3");
    loneHost.isHost = true;
    addDevice(context, host);
    addDevice(context, guest);
    addDevice(context, loneHost);

    EXPECT_FALSE(cell<NetCellComponent>(6, 0)->editButton.isVisible());
    EXPECT_FALSE(cell<NetCellComponent>(7, 0)->editButton.isVisible());
    EXPECT_TRUE(cell<NetCellComponent>(6, 1)->editButton.isVisible());
    EXPECT_TRUE(cell<NetCellComponent>(6, 2)->editButton.isVisible());
}

TEST_F(TableCells, FinderButtonShowsTheStateAndStaysWhenTheEngineRefuses)
{
    auto node = addDevice(context, device("unknown-to-engine", "Desk"));
    auto* finder = cell<FinderCellComponent>(8);
    ASSERT_NE(finder, nullptr);

    EXPECT_EQ(finder->button.getButtonText(), "Find");
    EXPECT_EQ(finder->button.findColour(juce::TextButton::buttonColourId), mintGreen);
    // 80 x 30, 20 pixels free on its right.
    EXPECT_EQ(finder->button.getBounds(), juce::Rectangle<int>(finder->getWidth() - 100, 10, 80, 30));

    node.setProperty(Ids::finder, true, nullptr);
    EXPECT_EQ(finder->button.getButtonText(), "Stop");
    EXPECT_EQ(finder->button.findColour(juce::TextButton::buttonColourId), mintGreen.withAlpha(0.4f));

    // The engine has never heard of the device: nothing changes, nothing is shown.
    finder->button.triggerClick();
    drainMessages();
    EXPECT_TRUE((bool) node[Ids::finder]);
    EXPECT_EQ(finder->button.getButtonText(), "Stop");
    EXPECT_TRUE(toasts.isEmpty());

    // The faded body is drawn in the faded colour.
    const auto image = snapshot(finder->button);
    const auto blended = mintGreen.withAlpha(0.4f);
    const auto expected = themeBackground.overlaidWith(blended);
    EXPECT_GT(countNear(image, image.getBounds(), expected, 6), 1000);
}

