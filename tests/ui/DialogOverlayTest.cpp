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
    const auto dimmed = overlay.createComponentSnapshot({ 5, 5, 1, 1 }).getPixelAt(0, 0);  // 0x99131313
    EXPECT_TRUE(dimmed.getAlpha() == 0x99 && std::abs(dimmed.getRed() - 0x13) <= 2) << dimmed.toString();
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

    // A form opens with the keyboard in its first field that can be typed into (not in the one locked while the
    // mode is "Auto (DHCP)", nor on the mode or a button); Tab goes round the dialog's own controls only, and
    // typing reaches nothing behind it. A turn on which this window lost the keyboard focus to another test's (the
    // form opened without it, or a Tab moved nothing) opens the form again.
    int formId = -1;
    std::map<juce::String, juce::String> values;
    const juce::StringArray modes { "Manual", "Auto (DHCP)" };
    juce::Component* opensOn = nullptr;
    std::vector<juce::Component*> reached;
    ASSERT_TRUE(pumpUntil([&]
    {
        program.context.showFormDialog("NET 1 settings", "Desk",
                                       { { "mode", "IP Mode", 2, "Auto (DHCP)", modes, {}, {} },
                                         { "mask", "Subnet Mask", 0, "255.0.0.0", {}, "mode", "Auto (DHCP)" },
                                         { "ip", "IP Address", 0, "10.0.0.1", {}, {}, {} } },
                                       { { 0, "Cancel", 1 }, { 1, "Apply", 0 } }, 3,
                                       [&](int id, auto& v) { formId = overlay.isVisible() ? -2 : id, values = v; }, {});
        opensOn = juce::Component::getCurrentlyFocusedComponent();
        if (opensOn == nullptr || ! overlay.isParentOf(opensOn))
            return false;
        reached.clear();
        for (int i = 0; i < 8; ++i)
        {
            auto* before = juce::Component::getCurrentlyFocusedComponent();
            program.layout.getPeer()->handleKeyPress(juce::KeyPress(juce::KeyPress::tabKey));
            auto* after = juce::Component::getCurrentlyFocusedComponent();
            if (before == nullptr || after == before)
                return false;
            reached.push_back(after);
            program.layout.getPeer()->handleKeyPress(juce::KeyPress('a', {}, 'a'));
        }
        return true;
    }));
    auto* first = dynamic_cast<juce::TextEditor*>(opensOn);
    EXPECT_TRUE(first != nullptr && first->getText().startsWith("10.0.0.1")) << "the form opened on another control";
    // Its rows: 34 px high, 44 px apart, the labels 140 px wide.
    auto& label = partOf<juce::Label>(partOf<DynamicFormComponent>(overlay));
    EXPECT_EQ(label.getBounds().toString(), "0 0 140 34");
    EXPECT_EQ(first->getBounds().toString(), "140 88 300 34");
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
    EXPECT_EQ(partOf<juce::Label>(overlay).getText(), "Version 1.00");
    EXPECT_EQ(partOf<DialogLinkRow>(overlay).linkLabel.getText(), "Legal Notice");
    EXPECT_EQ(dynamic_cast<DialogButton&>(program.dialogButton("Done")).getAction().style, 0);  // filled
    const juce::String bullet = juce::String::fromUTF8("\xe2\x80\xa2 ");
    EXPECT_EQ(dynamic_cast<DialogMessageComponent*>(partOf<juce::Viewport>(overlay).getViewedComponent())->text,
              "Brelm Discovery scans your local network to find and identify Brelm devices, including:\n\n" + bullet
                  + "VESK\n" + bullet + "IMBER\n" + bullet + "GAVRO\n" + bullet + "PESK\n" + bullet + "ORLA\n\n"
                  "For each unit, you can review its details, edit its network settings, and use the Finder button to "
                  "locate a device.\n\nUseful tips:\n\n" + bullet + "Right-click a column header to show or hide the "
                  "optional table columns.\n" + bullet + "Right-click a device row for links to open its web interface "
                  "by IP; on the URL column it copies the address to the clipboard instead.\n" + bullet + "Use the "
                  "search box to filter the list, the filter button to show only BrelmTARN units, and sortable column "
                  "headers to reorder devices.");
    program.click(overlay, { 5, 5 });
    EXPECT_FALSE(overlay.isVisible());
    EXPECT_EQ(formId, 3);
}
