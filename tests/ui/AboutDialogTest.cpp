#include "UiTestSupport.h"

#include "app/AppContext.h"
#include "app/ShellTestSupport.h"
#include "app/WebAddresses.h"
#include "ui/EmbeddedResources.h"
#include "ui/FooterComponent.h"
#include "ui/Theme.h"
#include "ui/dialogs/AboutDialog.h"
#include "ui/dialogs/CustomDialogOverlay.h"

using namespace ui_test;

namespace
{
struct ShownDialog
{
    int calls = 0;
    juce::String title, message, detail, linkText, linkUrl;
    std::vector<DialogAction> actions;
    int dismissId = -1;
    bool hasCallback = true;
    IconSource icon;
};

struct AboutFixture : ::testing::Test
{
    void SetUp() override
    {
        applyTheme(0);
        context.showDialog = [this](const juce::String& title, const juce::String& message, const juce::String& detail,
                                    const std::vector<DialogAction>& actions, int dismissId,
                                    std::function<void(int)> callback, IconSource icon, const juce::String& linkText,
                                    const juce::String& linkUrl)
        {
            ++shown.calls;
            shown = { shown.calls, title, message, detail, linkText, linkUrl, actions, dismissId, callback != nullptr, icon };
        };
    }

    ScopedUserFolders folders;
    AppContext context;
    ShownDialog shown;
};

const juce::String bullet = juce::String::fromUTF8("\xe2\x80\xa2 ");
} // namespace

TEST_F(AboutFixture, InfoButtonClickShowsTheAboutDialog)
{
    UI_REQUIRE_DISPLAY();
    FooterComponent footer(context);
    TestWindow window(footer, 1200, 30);
    footer.setBounds(0, 0, 1200, 30);
    Mouse mouse(window);

    mouse.click(mouse.centreOf(footer.infoButton));
    ASSERT_EQ(shown.calls, 1);
    EXPECT_EQ(shown.title, "Brelm Discovery");
    // No application object runs in the test, so no version follows.
    EXPECT_EQ(shown.message, "Version ");
    ASSERT_EQ(shown.actions.size(), 1u);
    EXPECT_EQ(shown.actions[0].id, 0);
    EXPECT_EQ(shown.actions[0].label, "Done");
    EXPECT_EQ(shown.actions[0].style, 0);
    EXPECT_EQ(shown.dismissId, 0);
    EXPECT_FALSE(shown.hasCallback);
    EXPECT_EQ(shown.icon.svgData, EmbeddedResources::infoIconSvg().svgData);
    EXPECT_EQ(shown.icon.svgSize, EmbeddedResources::infoIconSvg().svgSize);
    EXPECT_EQ(shown.linkText, "Legal Notice");
    EXPECT_EQ(shown.linkUrl, WebAddresses::legalNotice());
    EXPECT_TRUE(shown.linkUrl.startsWith("https://"));
    EXPECT_TRUE(shown.linkUrl.endsWith("/en/legal-notice/"));

    // Each click builds a new one.
    mouse.click(mouse.centreOf(footer.infoButton));
    EXPECT_EQ(shown.calls, 2);
}

TEST_F(AboutFixture, DetailTextHoldsTheFamiliesAndTipsAsBulletLines)
{
    AboutDialog::show(context);
    const auto& d = shown.detail;
    EXPECT_TRUE(d.startsWith("Brelm Discovery scans your local network to find and identify Brelm devices, including:\n\n"));
    EXPECT_TRUE(d.contains(bullet + "VESK\n" + bullet + "IMBER\n" + bullet + "GAVRO\n" + bullet + "PESK\n" + bullet
                           + "ORLA\n\n"));
    EXPECT_TRUE(d.contains("For each unit, you can review its details, edit its network settings, and use the Finder "
                           "button to locate a device.\n\nUseful tips:\n\n"));
    EXPECT_TRUE(d.contains(bullet + "Right-click a column header to show or hide the optional table columns.\n"));
    EXPECT_TRUE(d.contains(bullet
                           + "Right-click a device row for links to open its web interface by IP; on the URL column "
                             "it copies the address to the clipboard instead.\n"));
    EXPECT_TRUE(d.endsWith(bullet
                           + "Use the search box to filter the list, the filter button to show only BrelmTARN units, "
                             "and sortable column headers to reorder devices."));
    EXPECT_EQ(d, AboutDialog::detailText());

    // The bullet is U+2022 followed by one space, eight of them.
    EXPECT_EQ(juce::StringArray::fromLines(d).size(), 15);
    int bullets = 0;
    for (const auto& line : juce::StringArray::fromLines(d))
        if (line.startsWith(juce::String::charToString((juce::juce_wchar) 0x2022) + " "))
            ++bullets;
    EXPECT_EQ(bullets, 8);
}

