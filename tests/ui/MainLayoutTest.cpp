// The main layout's own wiring, seen in the window: the console pane and its concealed switch, the toast's
// timing and the theme switch.

#include "UiTestSupport.h"

#include "ui/Theme.h"

#include <thread>

using namespace ui_test;

TEST(ConsoleTest, LinesFromAnyThreadArriveInOrderWithoutUndoCopyAndOpenAtTheNewest)
{
    Program program;
    auto& document = program.console.getDocument();

    // Lines logged through the program's logger on another thread while the message thread is busy arrive in
    // order, each on its own line, after what the start-up logged.
    std::thread([] { for (int i = 1; i <= 40; ++i) juce::Logger::writeToLog("line " + juce::String(i)); }).join();
    juce::String expected;
    for (int i = 1; i <= 40; ++i)
        expected << "line " << i << "\n";
    ASSERT_TRUE(pumpUntil([&] { return ("\n" + document.getAllContent()).endsWith("\n" + expected); }));
    EXPECT_FALSE(document.getUndoManager().canUndo());
    EXPECT_EQ(document.getUndoManager().getNumberOfUnitsTakenUpByStoredCommands(), 0);

    // A Ctrl+Shift click on the wordmark shows the pane, scrolled to the newest line; with Ctrl alone the click
    // opens the web site instead.
    const juce::ModifierKeys ctrl(juce::ModifierKeys::ctrlModifier);
    const juce::ModifierKeys ctrlShift(juce::ModifierKeys::ctrlModifier | juce::ModifierKeys::shiftModifier);
    int sitesOpened = 0;
    program.header.openUrl = [&](const juce::URL&) { ++sitesOpened; };
    program.click(program.header, { 20, 15 }, ctrl);
    EXPECT_FALSE(program.console.isVisible());
    program.click(program.header, { 20, 15 }, ctrlShift);
    ASSERT_TRUE(program.console.isShowing());
    EXPECT_EQ(sitesOpened, 1);
    auto* view = program.console.getEditor();
    EXPECT_GT(view->getFirstLineOnScreen(), 0);
    EXPECT_GE(view->getFirstLineOnScreen() + view->getNumLinesOnScreen(), document.getNumLines());

    // "Clear All" drops the text for good.
    view->performPopupMenuAction(juce::StandardApplicationCommandIDs::del);
    EXPECT_TRUE(document.getAllContent().isEmpty());
    EXPECT_FALSE(document.getUndoManager().canUndo());
    program.click(program.header, { 20, 15 }, ctrlShift);
    EXPECT_FALSE(program.console.isVisible());
}

TEST(MainLayoutTest, ToastFadesInHoldsAboutTwoSecondsFadesOutAndAPersistentOneStaysUntilHidden)
{
    Program program;
    auto& toast = program.toast;
    program.context.showToast("Hello");
    const auto shown = nowMs();
    EXPECT_TRUE(toast.isVisible() && toast.getAlpha() == 0.0f);
    ASSERT_TRUE(pumpUntil([&] { return toast.getAlpha() >= 1.0f; }));
    const auto opaque = nowMs();
    ASSERT_TRUE(pumpUntil([&] { return toast.getAlpha() < 1.0f; }));
    const auto fading = nowMs();
    ASSERT_TRUE(pumpUntil([&] { return ! toast.isVisible(); }));
    // The timer ticks 60 times a second at most: fading in takes 10 ticks, holding 120 (2 s, less what a late
    // tick makes up for).
    EXPECT_GE(opaque - shown, 140.0);
    EXPECT_GE(fading - opaque, 1500.0);

    program.context.showToastPersistent("Downloading", true);
    ASSERT_TRUE(pumpUntil([&] { return toast.getAlpha() >= 1.0f; }));
    pumpFor(2500);
    EXPECT_EQ(toast.getAlpha(), 1.0f);
    program.context.hideToast();
    EXPECT_TRUE(pumpUntil([&] { return ! toast.isVisible(); }, 3000));
}

TEST(MainLayoutTest, TheStoredThemeShowsAtStartAndTheToggleRecoloursTheWindowAndStoresTheChoice)
{
    Program program({}, R"(<PROPERTIES><VALUE name="darkMode" val="1"/></PROPERTIES>)");
    const auto footerBackground = [&]
    { return program.layout.createComponentSnapshot({ 600, 690, 1, 1 }).getPixelAt(0, 0); };
    EXPECT_EQ(footerBackground(), nearBlack);

    program.click(program.footer.themeToggle);
    EXPECT_EQ(footerBackground(), offWhite);
    EXPECT_EQ(program.console.getEditor()->findColour(juce::CodeEditorComponent::backgroundColourId), offWhite);

    // Closed, the program keeps the choice and where the window was.
    ASSERT_TRUE(program.closeWindow());
    const auto settings = program.home.settings().loadFileAsString();
    EXPECT_TRUE(settings.contains(R"(<VALUE name="darkMode" val="0"/>)")) << settings;
    EXPECT_TRUE(settings.contains(R"(<VALUE name="windowState" val="100 100 1200 700"/>)")) << settings;
}
