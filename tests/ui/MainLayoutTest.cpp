#include "app/ShellTestSupport.h"
#include "support/MessageLoopWait.h"

#include "app/AppConsoleLogger.h"
#include "app/AppContext.h"
#include "app/MainLayout.h"
#include "ui/CustomLookAndFeel.h"
#include "ui/Theme.h"

#include <gtest/gtest.h>

class MainLayoutTestAccess
{
public:
    explicit MainLayoutTestAccess(MainLayout& l) : layout(l) {}

    ConsoleEditor& console() { return layout.console; }
    ConsoleSplitter& splitter() { return layout.consoleSplitter; }
    juce::Component& deviceList() { return layout.deviceList; }
    float consoleHeight() const { return layout.consoleHeight; }
    void toggleConsole(bool show) { layout.header.onConsoleToggled(show); }
    void toggleFilterRow(bool open) { layout.header.onFilterPanelToggled(open); }

    MainLayout& layout;
};

namespace
{
class MainLayoutTest : public ::testing::Test
{
protected:
    MainLayoutTest()
    {
        applyTheme(0);
        juce::LookAndFeel::setDefaultLookAndFeel(&lf);
        context.logger = std::make_unique<AppConsoleLogger>();
        layout = std::make_unique<MainLayout>(&context);
        layout->setSize(1200, 700);
    }

    ~MainLayoutTest() override
    {
        layout.reset();
        juce::LookAndFeel::setDefaultLookAndFeel(nullptr);
        applyTheme(0);
    }

    MainLayoutTestAccess access() { return MainLayoutTestAccess(*layout); }

    ScopedUserFolders folders;
    CustomLookAndFeel lf;
    AppContext context;
    std::unique_ptr<MainLayout> layout;
};
} // namespace

TEST_F(MainLayoutTest, ConsoleIsHiddenAtStartAndTheTableTakesTheRoom)
{
    auto a = access();
    EXPECT_FALSE(a.console().isVisible());
    EXPECT_FALSE(a.splitter().isVisible());
    EXPECT_TRUE(a.deviceList().isVisible());
    // 20 px margins, a 35 px header with 8 px under it, the 28 px footer below the content.
    EXPECT_EQ(a.deviceList().getBounds(), juce::Rectangle<int>(20, 63, 1160, 700 - 28 - 20 - 63));
}

TEST_F(MainLayoutTest, ShownConsoleSitsUnderATwelvePixelSplitter)
{
    auto a = access();
    a.toggleConsole(true);
    EXPECT_TRUE(a.console().isVisible());
    EXPECT_TRUE(a.splitter().isVisible());

    EXPECT_EQ(a.console().getBounds(), juce::Rectangle<int>(20, 652 - 150, 1160, 150));
    EXPECT_EQ(a.splitter().getBounds(), juce::Rectangle<int>(20, 502 - 4 - 12, 1160, 12));
    EXPECT_EQ(a.deviceList().getBottom(), 486 - 4);  // the table shrinks to make room

    a.toggleConsole(false);
    EXPECT_FALSE(a.console().isVisible());
    EXPECT_EQ(a.deviceList().getBottom(), 652);
}

TEST_F(MainLayoutTest, SplitterDragStopsAtZeroAndAtTheUpperBound)
{
    auto a = access();
    a.toggleConsole(true);

    a.splitter().onDrag(-50.0f);
    EXPECT_FLOAT_EQ(a.consoleHeight(), 200.0f);
    EXPECT_EQ(a.console().getHeight(), 200);

    a.splitter().onDrag(5000.0f);
    EXPECT_FLOAT_EQ(a.consoleHeight(), 0.0f);
    EXPECT_EQ(a.console().getHeight(), 0);

    // 700 - 40 - 35 - 100.
    a.splitter().onDrag(-5000.0f);
    EXPECT_FLOAT_EQ(a.consoleHeight(), 525.0f);

    // With the filter row open the header takes 93 px, and the bound drops with it.
    a.toggleFilterRow(true);
    a.splitter().onDrag(-1.0f);
    EXPECT_FLOAT_EQ(a.consoleHeight(), 700.0f - 40.0f - 93.0f - 100.0f);

    // A very low window still allows 30 px.
    layout->setSize(1200, 200);
    a.splitter().onDrag(-100.0f);
    EXPECT_FLOAT_EQ(a.consoleHeight(), 30.0f);
}

TEST_F(MainLayoutTest, LoggedLinesReachTheConsoleEvenWhileItIsHidden)
{
    context.logger->logMessage("before the console is opened");
    auto a = access();
    ASSERT_TRUE(pumpUntil([&] { return a.console().getDocument().getAllContent().isNotEmpty(); }, 10000));
    EXPECT_EQ(a.console().getDocument().getAllContent(), "before the console is opened\n");
}

TEST_F(MainLayoutTest, ThemeToggleSwitchesStoresAndRepaints)
{
    ASSERT_TRUE(context.toggleTheme);
    const auto lightShot = layout->createComponentSnapshot({ 0, 0, 10, 10 });
    EXPECT_EQ(lightShot.getPixelAt(5, 5), offWhite);

    context.toggleTheme();
    EXPECT_EQ(darkTheme, 1);
    EXPECT_TRUE(context.settings->getBoolValue("darkMode", false));
    EXPECT_EQ(layout->createComponentSnapshot({ 0, 0, 10, 10 }).getPixelAt(5, 5), nearBlack);
    auto* editor = access().console().getEditor();
    EXPECT_EQ(editor->findColour(juce::CodeEditorComponent::backgroundColourId), nearBlack);

    context.toggleTheme();
    EXPECT_EQ(darkTheme, 0);
    EXPECT_TRUE(context.settings->containsKey("darkMode"));
    EXPECT_FALSE(context.settings->getBoolValue("darkMode", true));
    EXPECT_EQ(editor->findColour(juce::CodeEditorComponent::backgroundColourId), offWhite);
}

TEST_F(MainLayoutTest, DestroyedLayoutLeavesNothingToCallAndNoSink)
{
    EXPECT_TRUE(context.showToast && context.showToastPersistent && context.updateToastText && context.hideToast
                && context.showDialog && context.showFormDialog && context.toggleTheme);

    // A line queued for the pane but not yet appended when the layout goes.
    context.logger->logMessage("pending when the window closes");
    layout.reset();

    EXPECT_FALSE(context.showToast);
    EXPECT_FALSE(context.showToastPersistent);
    EXPECT_FALSE(context.updateToastText);
    EXPECT_FALSE(context.hideToast);
    EXPECT_FALSE(context.showDialog);
    EXPECT_FALSE(context.showFormDialog);
    EXPECT_FALSE(context.toggleTheme);

    // Lines from any thread after that reach no destroyed pane (the address sanitizer would see it).
    context.logger->logMessage("after the window closed");
    std::thread([this] { context.logger->logMessage("from another thread"); }).join();
    pumpFor(100);
}
