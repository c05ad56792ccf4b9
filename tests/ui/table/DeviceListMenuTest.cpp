#include "TableTestSupport.h"
#include "support/LogCapture.h"

#include "ui/table/WebLink.h"

using namespace ui_test;

namespace
{
juce::StringArray menuTexts(const juce::PopupMenu& menu)
{
    juce::StringArray texts;
    for (juce::PopupMenu::MenuItemIterator it(menu); it.next();)
        texts.add(it.getItem().text);
    return texts;
}

class RowMenu : public TableFixture
{
protected:
    juce::StringArray menuFor(const DeviceDescription& desc)
    {
        context.appState.getChildWithName(Ids::DeviceList).removeAllChildren(nullptr);
        addDevice(context, desc);
        return menuTexts(list.createRowMenu(0));
    }
};
} // namespace

TEST_F(RowMenu, WebAccessFirstThenOneAddressPerUsableInterface)
{
    auto plain = device("1", "Plain", "192.168.1.5", "10.0.0.5");
    plain.model = "TMX-4";
    plain.webAccess = "http://plain.local/";
    EXPECT_EQ(menuFor(plain),
              juce::StringArray({ "http://plain.local/", "http://192.168.1.5", "http://10.0.0.5" }));

    auto orla = plain;
    orla.model = "ORLA 16";
    EXPECT_EQ(menuFor(orla), juce::StringArray({ "http://plain.local/", "https://192.168.1.5", "https://10.0.0.5" }));

    auto gavro = plain;
    gavro.model = "GAVRO-2";
    EXPECT_EQ(menuFor(gavro),
              juce::StringArray({ "http://plain.local/", "http://192.168.1.5/admin", "http://10.0.0.5/admin" }));

    // Case matters for the model prefixes.
    auto lower = plain;
    lower.model = "orla";
    EXPECT_EQ(menuFor(lower)[1], "http://192.168.1.5");
}

TEST_F(RowMenu, UnusableInterfacesHaveNoItemButTheWebAccessItemIsAlwaysThere)
{
    auto desc = device("1", "Quiet", "0.0.0.0", "");
    EXPECT_EQ(menuFor(desc), juce::StringArray({ "" }));

    desc.net0.ip = "0.0.0.0:80";
    desc.net1.ip = "169.254.3.3";
    EXPECT_EQ(menuFor(desc), juce::StringArray({ "", "http://169.254.3.3" }));

    // A device node without interface children.
    auto list0 = context.appState.getChildWithName(Ids::DeviceList);
    list0.removeAllChildren(nullptr);
    juce::ValueTree bare(Ids::Device);
    bare.setProperty(Ids::id, "bare", nullptr);
    bare.setProperty(Ids::webAccess, "http://bare", nullptr);
    list0.appendChild(bare, nullptr);
    EXPECT_EQ(menuTexts(list.createRowMenu(0)), juce::StringArray({ "http://bare" }));
    EXPECT_EQ(list.createRowMenu(1).getNumItems(), 0);
}

TEST_F(RowMenu, ChoosingAnItemLogsThenOpensTheAddress)
{
    FakeBrowser browser;
    LogCapture log;

    auto desc = device("1", "Desk", "192.168.7.7");
    desc.model = "GAVRO";
    desc.webAccess = "http://desk.local/";
    addDevice(context, desc);

    const auto menu = list.createRowMenu(0);
    for (juce::PopupMenu::MenuItemIterator it(menu); it.next();)
        if (it.getItem().text == "http://192.168.7.7/admin")
            it.getItem().action();

    EXPECT_TRUE(log.lines().contains("Launching http://192.168.7.7/admin"));
    ASSERT_TRUE(pumpUntil([&] { return browser.opened().size() == 1; }));
    EXPECT_EQ(browser.opened()[0], "http://192.168.7.7/admin");
}

TEST_F(RowMenu, RightClickAnywhereOnARowShowsTheMenuLeftClickDoesNot)
{
    UI_REQUIRE_DISPLAY();

    addDevice(context, device("1", "Desk", "192.168.7.7"));
    TestWindow window(list, 1100, 600);

    list.cellClicked(0, 1, leftClickOn(list));
    EXPECT_FALSE(juce::PopupMenu::dismissAllActiveMenus());

    // A real right click on the row's model column (drawn by the table, no cell component).
    const auto header = list.table.getHeader().getColumnPosition(2);
    window.click(list.table, { header.getCentreX(), 40 + 25 }, juce::ModifierKeys::rightButtonModifier);
    EXPECT_TRUE(pumpUntil([] { return juce::PopupMenu::dismissAllActiveMenus(); }, 5000));

    // Also over the name cell, which lets clicks through to the row.
    const auto nameColumn = list.table.getHeader().getColumnPosition(1);
    window.click(list.table, { nameColumn.getCentreX(), 40 + 25 }, juce::ModifierKeys::rightButtonModifier);
    EXPECT_TRUE(pumpUntil([] { return juce::PopupMenu::dismissAllActiveMenus(); }, 5000));
}

TEST(WebLinkTest, AddressFromTheNetworkCannotRunShellCommands)
{
    FakeBrowser browser;
    LogCapture log;
    const auto marker = browser.dir.getChildFile("injected");

    const auto hostile = "http://10.0.0.1/$(touch " + marker.getFullPathName() + ")`touch " + marker.getFullPathName()
                         + "`\"; touch " + marker.getFullPathName() + "; \"";
    WebLink::open(hostile);

    // The log shows what the device sent; the launcher gets it with the shell's characters escaped.
    EXPECT_TRUE(log.lines().contains("Launching " + hostile));
    ASSERT_TRUE(pumpUntil([&] { return browser.opened().size() == 1; }));
    const auto opened = browser.opened()[0];
    EXPECT_TRUE(opened.startsWith("http://10.0.0.1/%24(touch "));
    EXPECT_FALSE(opened.containsAnyOf("$`\"\\"));
    // The shell would have run the substitution before starting the launcher.
    EXPECT_FALSE(marker.exists());
}

TEST(WebLinkTest, PlainAddressesPassUnchangedLocalFilesAreNotStarted)
{
    EXPECT_EQ(WebLink::launchableForm("https://192.168.1.5/admin?x=1&y=2"), "https://192.168.1.5/admin?x=1&y=2");
    EXPECT_EQ(WebLink::launchableForm("http://a/b\\c\n"), "http://a/b%5Cc%0A");

    EXPECT_TRUE(WebLink::isLaunchable("http://192.168.1.5"));
    EXPECT_FALSE(WebLink::isLaunchable(""));
    EXPECT_FALSE(WebLink::isLaunchable("  "));
    // The launcher would start an executable file directly.
    EXPECT_FALSE(WebLink::isLaunchable("/bin/sh"));
    EXPECT_FALSE(WebLink::isLaunchable("/tmp"));
}
