// The main layout's own wiring, seen in the window: the console pane and its concealed switch, the toast's
// timing and the theme switch.

#include "UiTestSupport.h"

#include "ui/Theme.h"
#include "ui/table/FinderCellComponent.h"
#include "ui/table/NetCellComponent.h"

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
    const juce::ModifierKeys ctrlShift(juce::ModifierKeys::ctrlModifier | juce::ModifierKeys::shiftModifier);
    Program program({}, R"(<PROPERTIES><VALUE name="darkMode" val="1"/></PROPERTIES>)");
    const auto footerBackground = [&]
    { return program.layout.createComponentSnapshot({ 600, 690, 1, 1 }).getPixelAt(0, 0); };
    EXPECT_EQ(footerBackground(), nearBlack);

    // Tab goes round the controls that act on keys, and only those: the search box, a row's pencil and Finder
    // buttons, the footer's two, not the layout, header, table or open console; in the about dialog its buttons, not
    // its text. Each shows the mark in the accent blue, 2 px broad at its edge (a stop without it counts as null); a
    // focused text field too, the search box's or a form's, in either theme. A turn on which the window lost the
    // keyboard to another test's is tried again.
    auto& search = program.header.searchBox;
    addDevice(program.context, "id", "Desk", "M", "1", { "10.0.0.9" }, {});
    program.click(program.header, { 20, 15 }, ctrlShift);
    const std::vector<juce::Component*> mainStops { &search.editor, &program.cell<NetCellComponent>(6, 0)->editButton,
                                                    &program.cell<FinderCellComponent>(8, 0)->button,
                                                    &program.footer.themeToggle, &program.footer.infoButton };
    const auto marked = [&](juce::Component& c)
    {
        auto& shown = &c == &search.editor ? search : c;  // the box marks all of itself
        const auto shot = program.layout.createComponentSnapshot(program.layout.getLocalArea(&shown,
                                                                                              shown.getLocalBounds()));
        int off = 0;  // from the accent blue; a round mark's outermost pixel is shaded a little
        for (const auto p : { shot.getPixelAt(0, shot.getHeight() / 2), shot.getPixelAt(1, shot.getHeight() / 2) })
            off += std::abs(p.getRed() - 0x06) + std::abs(p.getGreen() - 0x80) + std::abs(p.getBlue() - 0xf9);
        return off <= 24;
    };
    const auto focused = [] { return juce::Component::getCurrentlyFocusedComponent(); };
    const auto tabRound = [&](juce::Component& first)
    {
        std::vector<juce::Component*> stops;
        EXPECT_TRUE(pumpUntil([&]
        {
            stops.clear();
            first.grabKeyboardFocus();
            juce::Component* previous = nullptr;
            for (auto* c = focused(); c != nullptr && c != previous && stops.size() < 9; c = focused())
            {
                if (! stops.empty() && c == &first)
                    return true;
                stops.push_back(marked(*c) ? c : nullptr);
                previous = c;
                program.window.getPeer()->handleKeyPress(juce::KeyPress(juce::KeyPress::tabKey));
            }
            return false;  // a Tab that moved nothing: the keyboard went to another test's window
        }));
        return stops;
    };
    const auto checkStops = [&]
    {
        EXPECT_EQ(tabRound(search.editor), mainStops);
        program.click(program.footer.infoButton);
        auto& done = program.dialogButton("Done");
        EXPECT_EQ(tabRound(done), (std::vector<juce::Component*> { &done, &partOf<DialogLinkRow>(program.overlay)
                                                                              .openButton }));
        program.click(done);
        EXPECT_TRUE(pumpUntil([&]
        {
            program.context.showFormDialog("NET 1 settings", "Desk", { { "ip", "IP", 0, "10.0.0.9", {}, {}, {} } },
                                           { { 0, "Cancel", 1 } }, 0, {}, {});
            return dynamic_cast<juce::TextEditor*>(focused()) != nullptr && marked(*focused());
        }));
        program.click(program.dialogButton("Cancel"));
    };
    checkStops();

    program.click(program.footer.themeToggle);
    EXPECT_EQ(footerBackground(), offWhite);
    checkStops();
    EXPECT_EQ(program.console.getEditor()->findColour(juce::CodeEditorComponent::backgroundColourId), offWhite);

    // Closed, the program keeps the choice and where the window was.
    ASSERT_TRUE(program.closeWindow());
    const auto settings = program.home.settings().loadFileAsString();
    EXPECT_TRUE(settings.contains(R"(<VALUE name="darkMode" val="0"/>)")) << settings;
    EXPECT_TRUE(settings.contains(R"(<VALUE name="windowState" val="100 100 1200 700"/>)")) << settings;
}
