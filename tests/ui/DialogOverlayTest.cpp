// The dialog overlay as the program opens it through AppContext: what each click reports and when, dialogs that
// open dialogs, and a keyboard that cannot leave an open dialog.

#include "UiTestSupport.h"

using namespace ui_test;

TEST(DialogOverlayTest, ClicksReportAfterClosingOutsideClicksFollowTheDismissIdKeyboardStaysInside)
{
    Program program;
    auto& overlay = program.overlay;
    juce::StringArray reported;  // the ids, marked when the dialog was still shown
    const auto report = [&](int id) { reported.add(juce::String(id) + (overlay.isVisible() ? " shown" : "")); };
    const auto show = [&](int dismissId, std::vector<DialogAction> actions, std::function<void(int)> callback,
                          const juce::String& link = {})
    { program.context.showDialog("Title", "", "", actions, dismissId, std::move(callback), {}, link, link); };

    // A button reports its id once the dialog has closed.
    show(0, { { 7, "Done", 0 } }, report);
    program.click(program.dialogButton("Done"));

    // With a link row the card is 500 x 210 (30, title 30, 20, link 30, 40, button 30, 30) amid the window, its
    // button 150 wide. A click outside it, right edge included, reports the dismiss id unless negative; inside, none.
    show(0, { { 7, "Done", 0 } }, report, "https://example.com/legal");
    EXPECT_EQ(program.dialogButton("Done").getBounds().toString(), "525 395 150 30");
    for (const auto corner : { juce::Point(350, 245), juce::Point(849, 454) })
        program.click(overlay, corner);
    EXPECT_TRUE(overlay.isVisible());
    program.click(overlay, { 850, 350 });
    EXPECT_EQ(reported, juce::StringArray({ "7", "0" }));
    show(-1, { { 7, "Done", 0 } }, report);
    program.click(overlay, { 5, 5 });
    EXPECT_TRUE(overlay.isVisible());

    // Three buttons share the row at 130 px each; the pressed one's callback may open the next dialog at once.
    show(0, { { 0, "Later", 1 }, { 1, "On exit", 1 }, { 2, "Now", 0 } }, [&](int id)
    {
        report(id);
        show(0, { { 5, "OK", 0 } }, report);
    });
    for (const auto* label : { "Later", "On exit", "Now" })
        EXPECT_EQ(program.dialogButton(label).getWidth(), 130) << label;
    program.click(program.dialogButton("Now"));
    program.click(program.dialogButton("OK"));
    drain();
    EXPECT_EQ(reported, juce::StringArray({ "7", "0", "2", "5" }));

    // In a form dialog Tab goes round the dialog's own controls only, and typing reaches nothing behind it. A turn
    // on which this window lost the keyboard focus to another test's (a Tab that moved nothing) is tried again.
    int formId = -1;
    std::map<juce::String, juce::String> values;
    program.context.showFormDialog("NET 1 settings", "Desk", { { "ip", "IP Address", 0, "10.0.0.1", {}, {}, {} } },
                                   { { 0, "Cancel", 1 }, { 1, "Apply", 0 } }, 3,
                                   [&](int id, auto& v) { formId = overlay.isVisible() ? -2 : id, values = v; }, {});
    auto* last = &program.dialogButton("Apply");
    std::vector<juce::Component*> reached;
    ASSERT_TRUE(pumpUntil([&]
    {
        reached.clear();
        last->grabKeyboardFocus();
        for (int i = 0; i < 8; ++i)
        {
            auto* before = juce::Component::getCurrentlyFocusedComponent();
            program.layout.getPeer()->handleKeyPress(juce::KeyPress(juce::KeyPress::tabKey));
            auto* after = juce::Component::getCurrentlyFocusedComponent();
            if (before == nullptr || after == before || (i == 0 && before != last))
                return false;
            reached.push_back(after);
            program.layout.getPeer()->handleKeyPress(juce::KeyPress('a', {}, 'a'));
        }
        return true;
    }));
    for (auto* c : reached)
        EXPECT_TRUE(overlay.isParentOf(c)) << "Tab reached a component behind the dialog";
    drain();
    EXPECT_TRUE(program.header.searchBox.editor.isEmpty());

    // Outside its card a form reports the dismiss id with the form's values, once closed.
    program.click(overlay, { 5, 5 });
    EXPECT_EQ(values.count("ip"), 1u);

    // The footer's info button opens the about dialog, which a click outside closes (the form hears nothing of it).
    program.click(program.footer.infoButton);
    EXPECT_EQ(program.dialogTitle(), "Brelm Discovery");
    program.click(overlay, { 5, 5 });
    EXPECT_FALSE(overlay.isVisible());
    EXPECT_EQ(formId, 3);
}
