// The main layout's own wiring, seen in the window: the console pane and its concealed switch, the toast's
// timing and the theme switch.

#include "UiTestSupport.h"

#include "app/AutoUpdater.h"
#include "app/UpdateDialogs.h"
#include "support/HttpTestServer.h"
#include "ui/Theme.h"
#include "ui/table/FinderCellComponent.h"
#include "ui/table/NetCellComponent.h"

#include <thread>

using namespace ui_test;

namespace
{
/** Counts the ticks of a 60 Hz timer. It runs on the same timer thread as the toast's, so a loaded machine delays
    both alike: the toast's phases measured in these ticks do not depend on how fast the machine is. */
struct TickCounter : juce::Timer
{
    TickCounter() { startTimerHz(60); }
    ~TickCounter() override { stopTimer(); }
    void timerCallback() override { ++ticks; }
    int ticks = 0;
};
} // namespace

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

    // The pane is 150 px high at the foot of the content column, under a 12-px splitter with 4 px around it. The
    // splitter dragged up 30 px makes it 30 px taller; down, it stops at nothing (and grows again from there); up,
    // at 700 - 40 - 35 - 100 px.
    auto& splitter = partOf<ConsoleSplitter>(program.layout);
    EXPECT_EQ(program.console.getBounds().toString(), "20 502 1160 150");
    EXPECT_EQ(splitter.getBounds().toString(), "20 486 1160 12");
    for (const auto& [by, console] : { std::pair(-30, "20 472 1160 180"), { 400, "20 652 1160 0" },
                                       { -30, "20 622 1160 30" }, { -800, "20 127 1160 525" },
                                       { 375, "20 502 1160 150" } })
    {
        program.drag(splitter, { 580, 6 }, { 0, by });
        EXPECT_EQ(program.console.getBounds().toString(), console) << "dragged by " << by;
    }

    // Typing at the pane changes nothing: a click in it leaves the keyboard where it was, and its text is the log's.
    const auto logged = document.getAllContent();
    juce::SystemClipboard::copyTextToClipboard("pasted");
    program.click(*view, { 40, 20 });
    const auto press = [&](std::initializer_list<juce::KeyPress> keys)
    {
        for (const auto& key : keys)
            program.layout.getPeer()->handleKeyPress(key);
    };
    press({ juce::KeyPress('x', {}, 'x'), juce::KeyPress(juce::KeyPress::returnKey),
            juce::KeyPress(juce::KeyPress::backspaceKey), juce::KeyPress('v', juce::ModifierKeys::ctrlModifier, 0) });
    view->selectAll();
    press({ juce::KeyPress(juce::KeyPress::deleteKey), juce::KeyPress('x', juce::ModifierKeys::ctrlModifier, 0) });
    drain();
    EXPECT_EQ(document.getAllContent(), logged);
    // Nor does it offer typing to screen readers and on-screen keyboards: they hear that it is read-only.
    ASSERT_NE(view->getAccessibilityHandler(), nullptr);
    EXPECT_TRUE(view->getAccessibilityHandler()->getTextInterface()->isReadOnly());

    // While the pane shows, the header prints "DEV" across its top row.
    const auto devShown = [&]
    {
        const juce::Rectangle<int> row(0, 0, program.header.getWidth(), 35), beside(130, 0, row.getWidth() - 130, 35);
        juce::Image drawn(juce::Image::ARGB, row.getWidth(), row.getHeight(), true);
        {
            juce::Graphics own(drawn);  // the header's own painting, without its buttons and search box
            program.header.paint(own);
        }
        return showsText(drawn, "DEV", beside, nearBlack.getARGB(), juce::Font(17.0f, juce::Font::bold), 0,
                         juce::Justification::centred, row.toFloat());
    };
    EXPECT_TRUE(devShown());

    // "Clear All" drops the text for good.
    view->performPopupMenuAction(juce::StandardApplicationCommandIDs::del);
    EXPECT_TRUE(document.getAllContent().isEmpty());
    EXPECT_FALSE(document.getUndoManager().canUndo());

    // Lines logged afterwards start at the top. The pane's menu offers "Copy" only for a selection; "Select All" and
    // then "Copy" put the whole log on the clipboard.
    juce::Logger::writeToLog("after clear");
    ASSERT_TRUE(pumpUntil([&] { return document.getAllContent() == "after clear\n"; }));
    const auto menu = [&](const juce::String& press)
    {
        program.click(*view, { 40, 100 }, {}, juce::ModifierKeys::rightButtonModifier);  // below the text
        const auto items = Program::menuItems(press);
        juce::PopupMenu::dismissAllActiveMenus();
        pumpUntil([] { return Program::menuItems().isEmpty(); });
        drain();
        return items;
    };
    EXPECT_EQ(menu("Select All"), juce::StringArray({ "Select All", "Copy (greyed)", "Clear All" }));
    EXPECT_EQ(menu("Copy"), juce::StringArray({ "Select All", "Copy", "Clear All" }));
    EXPECT_EQ(juce::SystemClipboard::getTextFromClipboard(), "after clear\n");
    program.click(program.header, { 20, 15 }, ctrlShift);
    EXPECT_FALSE(program.console.isVisible());
    EXPECT_FALSE(devShown());

    // The wordmark's area ends at x 130: a click there is on the header, not the wordmark.
    program.click(program.header, { 130, 15 }, ctrlShift);
    program.click(program.header, { 130, 15 });
    program.click(program.header, { 20, 15 }, {}, juce::ModifierKeys::rightButtonModifier);  // opens nothing
    EXPECT_FALSE(program.console.isVisible());
    EXPECT_EQ(sitesOpened, 1);
}

TEST(MainLayoutTest, ToastFadesInHoldsAboutTwoSecondsFadesOutAndAPersistentOneStaysUntilHidden)
{
    Program program;
    auto& toast = program.toast;
    program.context.showToast("Hello");
    const TickCounter clock;
    const auto shown = nowMs();
    EXPECT_TRUE(toast.isVisible() && toast.getAlpha() == 0.0f);
    // In a 1200 x 700 window it is 220 x 42, 20 px from the right and the bottom edge.
    EXPECT_EQ(toast.getBounds().toString(), "960 638 220 42");
    ASSERT_TRUE(pumpUntil([&] { return toast.getAlpha() >= 1.0f; }));
    const auto opaque = nowMs();
    const int fadingIn = clock.ticks;
    ASSERT_TRUE(pumpUntil([&] { return toast.getAlpha() < 1.0f; }));
    const auto fading = nowMs();
    const int holding = clock.ticks - fadingIn;
    ASSERT_TRUE(pumpUntil([&] { return ! toast.isVisible(); }));
    const int fadingOut = clock.ticks - fadingIn - holding;
    // The timer ticks 60 times a second at most: fading in takes 10 ticks, holding 120 (2 s, less what a late
    // tick makes up for), fading out 20.
    EXPECT_GE(opaque - shown, 140.0);
    EXPECT_GE(fading - opaque, 1500.0);
    EXPECT_NEAR(fadingIn, 10, 2);
    EXPECT_NEAR(holding, 122, 10);
    EXPECT_NEAR(fadingOut, 20, 3);

    program.context.showToastPersistent("Downloading", true);
    ASSERT_TRUE(pumpUntil([&] { return toast.getAlpha() >= 1.0f; }));
    // Its text: bold, 17 px, 14 px in from the left, in ink on the light background.
    const auto drawn = toast.createComponentSnapshot(toast.getLocalBounds(), false);
    EXPECT_TRUE(showsText(drawn, "Downloading", { 14, 6, 192, 30 }, nearBlack.getARGB(),
                          juce::Font(17.0f, juce::Font::bold), offWhite.getARGB(), juce::Justification::centredLeft,
                          juce::Rectangle<float>(14, 0, 192, 42)));
    // Shown, it follows the window's bottom-right corner.
    program.window.setSize(1000, 600);
    EXPECT_EQ(toast.getBounds().toString(), "760 538 220 42");
    pumpFor(2500);
    EXPECT_EQ(toast.getAlpha(), 1.0f);
    program.context.hideToast();
    EXPECT_TRUE(pumpUntil([&] { return ! toast.isVisible(); }, 3000));
    // Hidden, it stays where it was until it is shown again, and a new text alone does not show it.
    program.window.setSize(1200, 700);
    EXPECT_EQ(toast.getBounds().toString(), "760 538 220 42");
    program.context.updateToastText("Downloading update... 50%");
    drain();
    EXPECT_FALSE(toast.isVisible());
    EXPECT_EQ(toast.getText(), "Downloading update... 50%");

    // The updater, as the program wires it: an accepted offer shows the download's progress in a toast that stays,
    // the finished download opens its dialog, and with "Update on exit" closing the window starts the installer.
    HttpTestServer server;
    const std::string installer = "#!/bin/sh\necho \"$@\" > \"$(dirname \"$0\")/../ran\"\n#";
    server.serve("/setup.sh", { 200, installer + std::string(100000 - installer.size(), 'x') });
    UpdateDialogs::showUpdateAvailableDialog(program.context, "2.0", server.url("/setup.sh"));
    program.click(program.dialogButton("Accept"));
    ASSERT_TRUE(pumpUntil([&] { return program.overlay.isVisible() && program.dialogTitle() == "Download Complete"; }));
    EXPECT_EQ(toast.getText(), "Downloading update... 98%");
    program.click(program.dialogButton("Update on exit"));
    ASSERT_TRUE(program.closeWindow());
    EXPECT_TRUE(waitFor([&] { return program.home.file("cache/ran").loadFileAsString() == "/SILENT\n"; }));
}

TEST(MainLayoutTest, TheStoredThemeShowsAtStartAndTheToggleRecoloursTheWindowAndStoresTheChoice)
{
    const juce::ModifierKeys ctrlShift(juce::ModifierKeys::ctrlModifier | juce::ModifierKeys::shiftModifier);
    Program program({}, R"(<PROPERTIES><VALUE name="darkMode" val="1"/></PROPERTIES>)");
    const auto footerBackground = [&]
    { return program.layout.createComponentSnapshot({ 600, 690, 1, 1 }).getPixelAt(0, 0); };
    EXPECT_EQ(footerBackground(), nearBlack);

    // The footer: 28 px along the bottom, its two 20-px buttons 20 px from the right edge, 4 px apart. The switch
    // shows a moon in the dark theme and a sun, with rays beyond the moon's disc, in the light one.
    EXPECT_EQ(program.footer.getBounds().toString(), "0 672 1200 28");
    EXPECT_EQ(program.footer.infoButton.getBounds().toString(), "1160 4 20 20");
    EXPECT_EQ(program.footer.themeToggle.getBounds().toString(), "1136 4 20 20");
    const auto rayIn = [&](juce::Colour ink)  // the sun's ray to the right, beyond the moon's disc
    {
        const auto p = program.footer.themeToggle.createComponentSnapshot({ 16, 10, 1, 1 }).getPixelAt(0, 0);
        return p.getAlpha() > 0 && std::abs(p.getRed() - ink.getRed()) < 40;
    };
    EXPECT_FALSE(rayIn(offWhite));
    // The wordmark of the theme: off-white lettering in the dark one, near-black in the light one.
    const auto wordmarkHas = [&](juce::Colour colour)
    {
        const auto picture = program.header.createComponentSnapshot({ 0, 0, 130, 35 }, false);
        for (int y = 0; y < picture.getHeight(); ++y)
            for (int x = 0; x < picture.getWidth(); ++x)
                if (picture.getPixelAt(x, y) == colour)
                    return true;
        return false;
    };
    EXPECT_TRUE(wordmarkHas(offWhite) && ! wordmarkHas(nearBlack));
    EXPECT_EQ(program.console.getEditor()->findColour(juce::CodeEditorComponent::defaultTextColourId), offWhite);

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
        // Closed, a dialog hands the keyboard back to what had it: the info button that opened it.
        EXPECT_TRUE(pumpUntil([&]
        {
            program.footer.infoButton.grabKeyboardFocus();
            program.click(program.footer.infoButton);
            program.click(program.dialogButton("Done"));
            return focused() == &program.footer.infoButton;
        }));
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
    EXPECT_TRUE(rayIn(nearBlack));
    EXPECT_TRUE(wordmarkHas(nearBlack) && ! wordmarkHas(offWhite));
    EXPECT_EQ(program.console.getEditor()->findColour(juce::CodeEditorComponent::defaultTextColourId), nearBlack);

    // All text is drawn in the embedded Varela typeface, whatever height or style a part asks for.
    for (const auto& font : { juce::Font(13.0f), juce::Font(17.0f), juce::Font(17.0f, juce::Font::bold),
                              juce::Font(24.0f), juce::Font(17.0f, juce::Font::underlined),
                              juce::Font(17.0f, juce::Font::bold | juce::Font::italic) })
        EXPECT_EQ(font.getTypefacePtr()->getName(), "Varela") << font.toString();

    // Closed, the program keeps the choice and where the window was.
    ASSERT_TRUE(program.closeWindow());
    const auto settings = program.home.settings().loadFileAsString();
    EXPECT_TRUE(settings.contains(R"(<VALUE name="darkMode" val="0"/>)")) << settings;
    EXPECT_TRUE(settings.contains(R"(<VALUE name="windowState" val="100 100 1200 700"/>)")) << settings;
}
